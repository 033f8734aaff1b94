// Limits of the script engine. Script text can come from the host, so every structure a script
// can grow or nest has a cap here, and passing it is a script error rather than a crash.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrane::script {

// Longest name before the first dot of an object call or property.
inline constexpr size_t kMaxObjectName = 63;
// Parser recursion: nested blocks, statements, parentheses and operator chains. Keeps the
// parser, the evaluator and the tree's destructor well inside a thread's stack.
inline constexpr int kMaxNesting = 200;
// Script function calls in progress at once (direct and mutual recursion).
inline constexpr int kMaxCallDepth = 200;
// Received bytes kept for the next Wait or Get while none is pending.
inline constexpr size_t kReceiveQueueSize = 4096;
// Statements a receive routine may run for one received byte, so a loop in it cannot stall
// the thread that delivers the host's data.
inline constexpr uint64_t kRoutineStepsPerByte = 10000;
// Longest script text or path a host may send in its control string; longer ones are
// discarded, since no real script needs more and the string is held in memory while it comes.
inline constexpr size_t kMaxHostScriptString = 64 * 1024;
// ReadLine returns at most this many bytes.
inline constexpr size_t kReadLineMax = 254;
// Bytes File.Read and Get take from the system in one piece.
inline constexpr size_t kReadChunk = 4096;

// Sizes a script's values may reach; the fuzz target runs with smaller ones.
struct ScriptLimits {
  size_t maxStringLength = 16u << 20;
  size_t maxArrayElements = 1u << 16;
  uint64_t maxSteps = 0;  // statements a whole run may execute; 0 for no limit
  // Longest any Wait, Get or Sleep may last, in milliseconds; 0 for no cap.
  uint32_t maxWaitMs = 0;
};

}  // namespace ostrane::script
