#!/usr/bin/env python3
"""convert_page.py: the C example through ctypes, to show the library from another language.

    python3 convert_page.py file.pdf out-folder [path/to/libquillmark.so]
"""
import ctypes
import ctypes.util
import os
import sys


class PageObject(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int32), ("height", ctypes.c_int32), ("pageNumber", ctypes.c_int32),
                ("pageCount", ctypes.c_int32), ("zoom", ctypes.c_int32), ("pdfVersion", ctypes.c_float),
                ("items", ctypes.c_void_p), ("itemCount", ctypes.c_int32), ("itemCapacity", ctypes.c_int32)]


def load(path=None):
    name = path or ctypes.util.find_library("quillmark") or "libquillmark.so.1"
    lib = ctypes.CDLL(name)
    handle, page, text = ctypes.c_void_p, ctypes.POINTER(PageObject), ctypes.c_char_p
    for fn, args, result in [
        ("PDF_Open", [text, text, text, ctypes.c_int], handle),
        ("PDF_Close", [handle], None),
        ("PDF_GetPageCount", [handle], ctypes.c_int),
        ("PDF_GetBookmark", [handle, ctypes.c_char_p, ctypes.c_int], ctypes.c_int),
        ("PDF_GetPageObject", [handle, ctypes.c_int], page),
        ("PDF_DestroyPageObject", [page], None),
        ("PDF_GetPageBmp", [handle, ctypes.c_int], ctypes.c_void_p),
        ("PDF_DestroyPageBmp", [ctypes.c_void_p], None),
        ("PDF_GetPageHtmLink", [handle, ctypes.c_int], ctypes.c_void_p),
        ("PDF_DestroyHtmLink", [ctypes.c_void_p], None),
        ("PDF_ConvertToHtmlFile", [page, ctypes.c_void_p, text], ctypes.c_int),
        ("PDF_WriteToBMPFile", [ctypes.c_void_p, text], ctypes.c_int),
        ("PDF_WriteToSVGFile", [page, text], ctypes.c_int),
    ]:
        f = getattr(lib, fn)
        f.argtypes, f.restype = args, result
    return lib


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    pdf_path, out = sys.argv[1], sys.argv[2]
    lib = load(sys.argv[3] if len(sys.argv) == 4 else None)
    pdf = lib.PDF_Open(pdf_path.encode(), None, None, 100)
    if not pdf:
        print(f"{pdf_path}: cannot open", file=sys.stderr)
        return 1
    try:
        print("pages:", lib.PDF_GetPageCount(pdf))
        buffer = ctypes.create_string_buffer(4096)
        has_outline = lib.PDF_GetBookmark(pdf, buffer, len(buffer)) == 1
        print("outline:", buffer.value.decode() if has_outline else "none")

        ok = True
        page = lib.PDF_GetPageObject(pdf, 1)
        if not page:
            print("page 1 could not be recorded", file=sys.stderr)
            return 1
        print(f"page 1: {page.contents.width} x {page.contents.height} pixels, {page.contents.itemCount} items")
        links = lib.PDF_GetPageHtmLink(pdf, 1)
        ok &= lib.PDF_WriteToSVGFile(page, os.path.join(out, "page1.svg").encode()) == 1
        ok &= lib.PDF_ConvertToHtmlFile(page, links, os.path.join(out, "page1.htm").encode()) == 1
        lib.PDF_DestroyHtmLink(links)
        lib.PDF_DestroyPageObject(page)

        bitmap = lib.PDF_GetPageBmp(pdf, 1)
        ok &= bool(bitmap) and lib.PDF_WriteToBMPFile(bitmap, os.path.join(out, "page1.bmp").encode()) == 1
        lib.PDF_DestroyPageBmp(bitmap)
    finally:
        lib.PDF_Close(pdf)
    print("wrote page1.htm, page1.jpg, page1.svg and page1.bmp" if ok else "some output failed")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
