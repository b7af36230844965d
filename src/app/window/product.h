#pragma once
// The names, addresses and installed files the window shows or opens.
#include <QString>

namespace qm {

inline constexpr const char* kProductName = "Quillmark";
// The window's title while the output kind is BMP images.
inline constexpr const char* kBmpWindowTitle = "RASTELLO v1.6";
inline constexpr const char* kAboutTitle = "VELLUMIX version 1.6";
// Reserved names: nobody else can own them, and a packager replaces them in this one place.
inline constexpr const char* kWebAddress = "https://www.quillmark.example/";
inline constexpr const char* kSupportMail = "mailto:support@quillmark.example";

// The window title for an output kind (the convertType setting).
QString windowTitleFor(int convertType);

// The user guide, in the program's data folder.
QString userGuidePath();

}  // namespace qm
