// The font libraries keep caches for the life of the process, and so does D-Bus on a real X
// display; the leak checker of the sanitizer build is told so here, since the test runner passes
// only one variable to each test.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libfreetype.so\n"
         "leak:libdbus-1.so\n";
}
