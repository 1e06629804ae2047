// LeakSanitizer suppressions for Qt itself, built into the widget tests of AddressSanitizer
// builds. Now and then, on a loaded machine, a test process ends with one 152-byte block that Qt's
// core library allocated (nothing of ours on its stack) reported as leaked: by all signs the
// per-thread data Qt gives a thread of the reader library that called the card-event relay, which
// Qt frees only as that thread ends, and a thread still on its way out at exit leaves it behind. Only allocations made inside Qt's core
// library are ignored; whatever our code allocates is still checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libQt6Core.so\n"; }
