// Fontconfig keeps some of what it allocates while parsing its configuration files for the
// life of the process without a pointer the leak checker can see. Those blocks are the
// library's, made once, and not a leak of ours; everything else is still checked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
// Quiet about the suppressed blocks: a program's output is part of what tests check.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
