#pragma once
// Texts for the reasons an address could not be opened, by the opener's error code.
#include <QString>

namespace qm {

// Error codes the window reports when the desktop has no way to open something.
inline constexpr int kLinkFileNotFound = 2;
inline constexpr int kLinkNoAssociation = 31;

// The text for `code`; codes without their own text give "Unknown Error (code) occurred.".
QString linkErrorText(int code);

// The whole message: "Unable to open hyperlink:\n\n" and the code's text.
QString linkFailureMessage(int code);

}  // namespace qm
