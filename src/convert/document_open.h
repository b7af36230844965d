#pragma once
// Opening a document with the reason when it cannot be opened: PDF_Open's answer is only a
// handle or NULL, while the program that converts files has to tell the user what is wrong.
#include <string>

#include "document/pdf_document.h"

struct PdfHandle;

namespace qm {

class WebFontJournal;

struct OpenResult {
    PdfHandle* handle = nullptr;  // as PDF_Open gives it; close with PDF_Close
    OpenFailure failure = OpenFailure::none;
    int errorNumber = 0;  // the system's reason for OpenFailure::unreadable
};

OpenResult openPdf(const char* fileName, const char* ownerPassword, const char* userPassword, int zoom);

// Notes every character the document's pages record from now on in `journal` (null: stop
// noting). False for a handle that is not open.
bool setWebFontJournal(PdfHandle* handle, WebFontJournal* journal);

// One sentence naming the file and what is wrong with it ("" for OpenFailure::none).
std::string openFailureText(const std::string& fileName, OpenFailure failure, int errorNumber);

}  // namespace qm
