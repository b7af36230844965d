// Qt's platform plugins, font database and fontconfig keep blocks made once per process
// without a pointer the leak checker can see. Those are the libraries' own; everything of
// ours is still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Core.so\n"
           "leak:libQt6Widgets.so\n"
           "leak:libqoffscreen.so\n";
}
