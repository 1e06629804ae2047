// LeakSanitizer suppressions for the tests on a real X server, in AddressSanitizer builds: Qt's
// core library as in the other widget tests, and the session-bus library that Qt's X11 platform
// loads, which keeps one block until the process ends. What our code allocates is still checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libQt6Core.so\nleak:libdbus-1.so\n"; }
