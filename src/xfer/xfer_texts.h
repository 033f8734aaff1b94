// The texts a transfer gives the user.
#pragma once

namespace ostrane {

inline constexpr char kTextAborted[] = "The transfer was aborted.";
inline constexpr char kTextPeerCancelled[] = "The other side cancelled the transfer.";
inline constexpr char kTextPeerSilent[] = "The other side stopped answering.";
inline constexpr char kTextPeerEnded[] = "The other side ended the transfer.";
inline constexpr char kTextLinkFailed[] = "The connection failed during the transfer.";
inline constexpr char kTextFinished[] = "Finished.";
inline constexpr char kTextSomeFilesFailed[] = "Not every file was transferred.";
inline constexpr char kTextBadName[] = "Refused a file with an unsafe name: ";
inline constexpr char kTextCannotCreate[] = "Cannot create the file: ";
inline constexpr char kTextCannotWrite[] = "Cannot write the file: ";
inline constexpr char kTextTooLarge[] = "Files of 4 GiB or more cannot be sent: ";
inline constexpr char kTextCannotRead[] = "Cannot read the file: ";
inline constexpr char kTextSkipped[] = "The receiver skipped the file.";
inline constexpr char kTextReceiverError[] = "The receiver could not store the file.";
inline constexpr char kTextIncomplete[] = "The file ended before all of it arrived.";
inline constexpr char kTextCommandRefused[] = "The sender asked to run a command; refused.";
inline constexpr char kTextDataWithoutFile[] = "Data arrived without a file.";

}  // namespace ostrane
