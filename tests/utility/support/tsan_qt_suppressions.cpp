// ThreadSanitizer suppressions for Qt itself, built into the widget tests of ThreadSanitizer
// builds. Qt from the distribution is not instrumented: ThreadSanitizer sees it only through the
// allocations, copies and pthread calls it makes, and not through the futex-based locks under
// which it hands data between its threads (its thread pool for image conversion and raster
// painting, queued calls from other threads). So every such hand-over would read as a race.
// These entries make ThreadSanitizer ignore the calls Qt's own libraries make; code of ours is
// still watched wherever it runs, called from Qt or not.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so\n"
         "called_from_lib:libQt6Gui.so\n"
         "called_from_lib:libQt6Widgets.so\n"
         "called_from_lib:libqoffscreen.so\n"
         "called_from_lib:libQt6XcbQpa.so\n"
         "called_from_lib:libqxcb.so\n"
         "called_from_lib:libxcb.so\n";
}
