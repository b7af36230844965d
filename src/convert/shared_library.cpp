// The shared library is the conversion library linked whole; this file checks, when the
// library is built, that the functions it exports still have the types the public header
// promises to C callers.
#include <type_traits>

#include "quillmark.h"

static_assert(std::is_same_v<decltype(&PDF_Open), PdfHandle* (*)(const char*, const char*, const char*, int)>);
static_assert(std::is_same_v<decltype(&PDF_Close), void (*)(PdfHandle*)>);
static_assert(std::is_same_v<decltype(&PDF_GetPageCount), int (*)(PdfHandle*)>);
static_assert(std::is_same_v<decltype(&PDF_GetBookmark), int (*)(PdfHandle*, char*, int)>);
static_assert(std::is_same_v<decltype(&PDF_GetPageObject), PageObject* (*)(PdfHandle*, int)>);
static_assert(std::is_same_v<decltype(&PDF_DestroyPageObject), void (*)(PageObject*)>);
static_assert(std::is_same_v<decltype(&PDF_GetPageBmp), void* (*)(PdfHandle*, int)>);
static_assert(std::is_same_v<decltype(&PDF_DestroyPageBmp), void (*)(void*)>);
static_assert(std::is_same_v<decltype(&PDF_GetPageHtmLink), HtmlLinkList* (*)(PdfHandle*, int)>);
static_assert(std::is_same_v<decltype(&PDF_DestroyHtmLink), void (*)(HtmlLinkList*)>);
static_assert(std::is_same_v<decltype(&PDF_ConvertToHtmlFile), int (*)(PageObject*, HtmlLinkList*, const char*)>);
static_assert(std::is_same_v<decltype(&PDF_WriteToBMPFile), int (*)(void*, const char*)>);
static_assert(std::is_same_v<decltype(&PDF_WriteToSVGFile), int (*)(PageObject*, const char*)>);
