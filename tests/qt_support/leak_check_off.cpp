// Linked into the Qt test programs of the sanitizer build only.  Qt keeps
// caches and plugin objects until the process ends, so LeakSanitizer would
// report Qt's start-up rather than our code; the address and undefined
// behaviour checks stay on.  (The core's own tests keep the leak check.)
extern "C" int __lsan_is_turned_off() { return 1; }
