#pragma once
// How an output path is formed for a PDF: every HTML job writes a site folder whose
// index.htm is the output path. The window and the command line form them the same way.
#include <string>

namespace qm {

// A site folder beside the PDF, named after it: /a/b/report.pdf -> /a/b/report/index.htm.
std::string siteOutputBeside(const std::string& pdf);

// A chosen output file name becomes the site folder: /s/report.htm -> /s/report/index.htm.
std::string siteOutputForChosenFile(const std::string& chosen);

// One site folder per PDF inside a chosen folder: (/out, /a/b.pdf) -> /out/b/index.htm.
std::string siteOutputInFolder(const std::string& folder, const std::string& pdf);

// The stem of a job's BMP files (STEM_001.bmp ...). A chosen file name gives its own stem:
// /s/pic.bmp -> /s/pic; a chosen folder keeps the PDF's file name: (/out, /a/b.pdf) -> /out/b.pdf.
std::string bmpStemForChosenFile(const std::string& chosen);
std::string bmpStemInFolder(const std::string& folder, const std::string& pdf);

}  // namespace qm
