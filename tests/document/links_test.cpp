#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/report_error.h"
#include "document/link_action.h"
#include "document/link_dest.h"
#include "document/page_annotation.h"
#include "document/page_link.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

using Messages = std::vector<std::string>;

// Objects written with PdfBuilder and read back through a TestResolver, so references in
// them resolve the way they do in a document.
class Objects {
public:
    int add(const std::string& body) { return b_.object(body); }
    PdfObject get(int n) {
        if (!r_) {
            r_ = std::make_unique<TestResolver>(b_.bytes());
            r_->addAll(b_, b_.nextNumber());
        }
        return r_->fetch(n, 0);
    }
    // One object parsed on its own.
    static PdfObject parse(const std::string& body) {
        Objects o;
        int n = o.add(body);
        return o.get(n);
    }

private:
    PdfBuilder b_;
    std::unique_ptr<TestResolver> r_;
};

PdfString str(const char* s) { return PdfString(s); }

TEST(LinkDest, KindsPositionsAndErrors) {
    {
        ErrorCapture capture;
        LinkDest d(Objects::parse("[5 0 R /XYZ null 700 null]"), true);
        ASSERT_TRUE(d.isOk());
        EXPECT_EQ(d.kind(), LinkDest::XYZ);
        EXPECT_TRUE(d.pageIsRef());
        EXPECT_EQ(d.pageRef().num, 5);
        EXPECT_EQ(d.top(), 700);
        EXPECT_FALSE(d.changeLeft());
        EXPECT_TRUE(d.changeTop());
        EXPECT_FALSE(d.changeZoom());
        EXPECT_TRUE(capture.messages().empty());
    }
    {
        LinkDest d(Objects::parse("[3 0 R /XYZ 10 20.5 2]"), true);
        ASSERT_TRUE(d.isOk());
        EXPECT_EQ(d.left(), 10);
        EXPECT_EQ(d.top(), 20.5);
        EXPECT_EQ(d.zoom(), 2);
        EXPECT_TRUE(d.changeLeft() && d.changeTop() && d.changeZoom());
    }
    {
        // A remote destination names its page by a 0-based number.
        LinkDest d(Objects::parse("[0 /Fit]"), false);
        ASSERT_TRUE(d.isOk());
        EXPECT_FALSE(d.pageIsRef());
        EXPECT_EQ(d.pageNumber(), 1);
        EXPECT_EQ(d.kind(), LinkDest::Fit);
    }
    {
        LinkDest d(Objects::parse("[2 0 R /FitR 10 20 30 40]"), true);
        ASSERT_TRUE(d.isOk());
        EXPECT_EQ(d.kind(), LinkDest::FitR);
        EXPECT_EQ(d.left(), 10);
        EXPECT_EQ(d.bottom(), 20);
        EXPECT_EQ(d.right(), 30);
        EXPECT_EQ(d.top(), 40);
        LinkDest h(Objects::parse("[2 0 R /FitBH 50]"), true);
        EXPECT_TRUE(h.isOk());
        EXPECT_EQ(h.kind(), LinkDest::FitBH);
        EXPECT_EQ(h.top(), 50);
        LinkDest v(Objects::parse("[2 0 R /FitV 60]"), true);
        EXPECT_EQ(v.left(), 60);
    }
    struct Bad {
        const char* array;
        bool pageIsRef;
        const char* message;
    };
    const Bad bad[] = {
        {"[2 /Fit]", true, "Bad annotation destination"},
        {"[2 0 R /Fit]", false, "Bad annotation destination"},
        {"[-1 /Fit]", false, "Bad annotation destination"},
        {"[2 0 R /fit]", true, "Unknown annotation destination type"},
        {"[2 0 R (Fit)]", true, "Unknown annotation destination type"},
        {"[2 0 R /FitR 10 20 30]", true, "Bad annotation destination position"},
        {"[2 0 R /FitH /x]", true, "Bad annotation destination position"},
        {"[2 0 R /XYZ 1 (2) 3]", true, "Bad annotation destination position"},
        {"[]", true, "Bad annotation destination"},
    };
    for (const Bad& b : bad) {
        ErrorCapture capture;
        LinkDest d(Objects::parse(b.array), b.pageIsRef);
        EXPECT_FALSE(d.isOk()) << b.array;
        EXPECT_EQ(capture.messages(), Messages{b.message}) << b.array;
    }
}

TEST(LinkAction, UrisAgainstABase) {
    PdfString base("http://example.org/docs/");
    PdfString baseNoSlash("http://example.org/docs");
    PdfString query("http://example.org/find?");
    EXPECT_EQ(resolveUri(str("page.html"), &base), "http://example.org/docs/page.html");
    EXPECT_EQ(resolveUri(str("/page.html"), &base), "http://example.org/docs/page.html");
    EXPECT_EQ(resolveUri(str("page.html"), &baseNoSlash), "http://example.org/docs/page.html");
    EXPECT_EQ(resolveUri(str("/page.html"), &baseNoSlash), "http://example.org/docs/page.html");
    EXPECT_EQ(resolveUri(str("q=1"), &query), "http://example.org/find?q=1");
    // A colon before any slash marks a scheme: absolute, used as it is.
    EXPECT_EQ(resolveUri(str("mailto:someone@example.org"), &base), "mailto:someone@example.org");
    EXPECT_EQ(resolveUri(str("http://other.org/x"), &base), "http://other.org/x");
    // A slash before the colon makes it relative.
    EXPECT_EQ(resolveUri(str("a/b:c"), &base), "http://example.org/docs/a/b:c");
    EXPECT_EQ(resolveUri(str("relative.html"), nullptr), "relative.html");
    EXPECT_EQ(resolveUri(str(""), &baseNoSlash), "http://example.org/docs/");

    ErrorCapture capture;
    LinkUri uri(Objects::parse("(x.html)"), &base);
    ASSERT_TRUE(uri.isOk());
    EXPECT_EQ(*uri.uri(), "http://example.org/docs/x.html");
    LinkUri bad(Objects::parse("/x.html"), &base);
    EXPECT_FALSE(bad.isOk());
    EXPECT_EQ(capture.messages(), Messages{"Illegal URI-type link"});
}

TEST(LinkAction, FileTargetsAndLaunch) {
    {
        ErrorCapture capture;
        EXPECT_EQ(*parseFileTarget(Objects::parse("(a.pdf)")), "a.pdf");
        EXPECT_EQ(*parseFileTarget(Objects::parse("<< /F (dos.pdf) /Unix (unix.pdf) >>")), "unix.pdf");
        EXPECT_EQ(*parseFileTarget(Objects::parse("<< /F (dos\\\\dir.pdf) >>")), "dos\\dir.pdf");
        EXPECT_TRUE(capture.messages().empty());
        EXPECT_FALSE(parseFileTarget(Objects::parse("<< /F /name >>")).has_value());
        EXPECT_FALSE(parseFileTarget(Objects::parse("12")).has_value());
        EXPECT_EQ(capture.messages(), (Messages{"Illegal file reference in link", "Illegal file reference in link"}));
    }
    {
        LinkLaunch l(Objects::parse("<< /S /Launch /Unix << /F (run.sh) /P (-v) >> >>"));
        ASSERT_TRUE(l.isOk());
        EXPECT_EQ(*l.fileName(), "run.sh");
        EXPECT_EQ(*l.parameters(), "-v");
        LinkLaunch f(Objects::parse("<< /S /Launch /F (doc.txt) /Unix << /F (other) >> >>"));
        EXPECT_EQ(*f.fileName(), "doc.txt");
        EXPECT_EQ(f.parameters(), nullptr);
    }
    {
        ErrorCapture capture;
        LinkLaunch l(Objects::parse("<< /S /Launch /Win << /F (x.exe) >> >>"));
        EXPECT_FALSE(l.isOk());
        EXPECT_EQ(capture.messages(), Messages{"Bad launch-type link action"});
    }
    {
        ErrorCapture capture;
        LinkGoToR r(Objects::parse("(other.pdf)"), Objects::parse("[0 /Fit]"));
        ASSERT_TRUE(r.isOk());
        EXPECT_EQ(*r.fileName(), "other.pdf");
        EXPECT_EQ(r.dest()->pageNumber(), 1);
        LinkGoToR named(Objects::parse("(other.pdf)"), Objects::parse("(chapter)"));
        EXPECT_TRUE(named.isOk());
        EXPECT_EQ(*named.namedDest(), "chapter");
        LinkGoToR noFile(Objects::parse("null"), Objects::parse("[0 /Fit]"));
        EXPECT_FALSE(noFile.isOk());
        LinkGoTo bad(Objects::parse("12"));
        EXPECT_FALSE(bad.isOk());
        EXPECT_EQ(capture.messages(), (Messages{"Illegal file reference in link", "Illegal annotation destination"}));
    }
}

// The links of an Annots array written as indirect annotation objects.
struct LinkPage {
    Objects objects;
    std::string annots = "[";
    void annot(const std::string& body) { annots += std::to_string(objects.add(body)) + " 0 R "; }
    PageLinkList build(const PdfString* base = nullptr) {
        int n = objects.add(annots + "]");
        return PageLinkList(objects.get(n), base);
    }
};

TEST(PageLink, RectanglesBordersAndActions) {
    LinkPage p;
    p.annot("<< /Subtype /Link /Rect [100 200 50 20] /Border [0 0 2] /Dest [9 0 R /Fit] >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /Border [0 0] /Dest (named) >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /Border [0 0 0] /A << /S /URI /URI (x.html) >> >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /A << /S /GoToR /F (b.pdf) /D [0 /Fit] >> >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /A << /S /Launch /F (c.txt) >> >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /A << /S /Named /N /NextPage >> >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /A << /S /JavaScript /JS (x) >> >>");
    p.annot("<< /Subtype /Link /Rect [0 0 10 10] /A << /S /GoTo /D /name >> >>");
    p.annot("<< /Subtype /Popup /Rect [0 0 10 10] /Dest [9 0 R /Fit] >>");
    p.annot("<< /Subtype /Widget /Rect [0 0 10 10] /Dest [9 0 R /Fit] >>");
    PdfString base("http://example.org");
    ErrorCapture capture;
    PageLinkList list = p.build(&base);
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(list.count(), 8);

    const PageLink& first = list.link(0);
    EXPECT_EQ(first.x1(), 50);
    EXPECT_EQ(first.y1(), 20);
    EXPECT_EQ(first.x2(), 100);
    EXPECT_EQ(first.y2(), 200);
    EXPECT_EQ(first.borderWidth(), 2);
    ASSERT_EQ(first.action()->kind(), LinkActionKind::GoTo);
    EXPECT_EQ(static_cast<const LinkGoTo*>(first.action())->dest()->pageRef().num, 9);

    EXPECT_EQ(list.link(1).borderWidth(), 0);
    EXPECT_EQ(*static_cast<const LinkGoTo*>(list.link(1).action())->namedDest(), "named");
    EXPECT_EQ(list.link(2).borderWidth(), 0);
    ASSERT_EQ(list.link(2).action()->kind(), LinkActionKind::Uri);
    EXPECT_EQ(*static_cast<const LinkUri*>(list.link(2).action())->uri(), "http://example.org/x.html");
    ASSERT_EQ(list.link(3).action()->kind(), LinkActionKind::GoToR);
    EXPECT_EQ(static_cast<const LinkGoToR*>(list.link(3).action())->dest()->pageNumber(), 1);
    EXPECT_EQ(list.link(4).action()->kind(), LinkActionKind::Launch);
    ASSERT_EQ(list.link(5).action()->kind(), LinkActionKind::Named);
    EXPECT_EQ(*static_cast<const LinkNamed*>(list.link(5).action())->name(), "NextPage");
    ASSERT_EQ(list.link(6).action()->kind(), LinkActionKind::Other);
    EXPECT_EQ(*static_cast<const LinkUnknown*>(list.link(6).action())->actionType(), "JavaScript");
    EXPECT_EQ(*static_cast<const LinkGoTo*>(list.link(7).action())->namedDest(), "name");
}

TEST(PageLink, BadLinksAreReportedAndDropped) {
    struct Case {
        const char* annot;
        const char* message;
    };
    const Case cases[] = {
        {"<< /Subtype /Link /Rect [0 0 (10) 10] /Dest [5 0 R /Fit] >>", "Bad annotation rectangle"},
        {"<< /Subtype /Link /Rect [0 0 10 10] /Dest [5 0 R /FitR 10 20 30] >>", "Bad annotation destination position"},
        {"<< /Subtype /Link /Rect (0 0 10 10) /Dest [5 0 R /Fit] >>", "Annotation rectangle is wrong type"},
        {"<< /Subtype /Link /Rect [0 0 10] /Dest [5 0 R /Fit] >>", "Bad annotation rectangle"},
        {"<< /Subtype /Link /Rect [0 0 10 10] >>", "Missing annotation destination/action"},
        {"<< /Subtype /Link /Rect [0 0 10 10] /A (x) >>", "Missing annotation destination/action"},
        {"<< /Subtype /Link /Rect [0 0 10 10] /A << /S (URI) >> >>", "Bad annotation action"},
        {"<< /Subtype /Link /Rect [0 0 10 10] /A << /S /URI /URI 3 >> >>", "Illegal URI-type link"},
        {"<< /Subtype /Link /Rect [0 0 10 10] /A << /S /GoTo /D 3 >> >>", "Illegal annotation destination"},
        {"<< /Subtype /Link /Rect [0 0 10 10] /A << /S /GoToR /F 1 /D [0 /Fit] >> >>", "Illegal file reference in link"},
    };
    for (const Case& c : cases) {
        LinkPage p;
        p.annot("<< /Subtype /Link /Rect [0 0 1 1] /Dest [5 0 R /Fit] >>");
        p.annot(c.annot);
        ErrorCapture capture;
        PageLinkList list = p.build();
        EXPECT_EQ(list.count(), 1) << c.annot;
        EXPECT_EQ(capture.messages(), Messages{c.message}) << c.annot;
    }
    {
        // A bad border width is reported but keeps the link (with width 0); Named without a
        // name name is dropped without a word.
        LinkPage p;
        p.annot("<< /Subtype /Link /Rect [0 0 10 10] /Border [0 0 /w] /Dest [5 0 R /Fit] >>");
        p.annot("<< /Subtype /Link /Rect [0 0 10 10] /A << /S /Named /N (NextPage) >> >>");
        ErrorCapture capture;
        PageLinkList list = p.build();
        ASSERT_EQ(list.count(), 1);
        EXPECT_EQ(list.link(0).borderWidth(), 0);
        EXPECT_EQ(capture.messages(), Messages{"Bad annotation border"});
    }
    {
        ErrorCapture capture;
        EXPECT_EQ(PageLinkList(Objects::parse("<< /Subtype /Link >>"), nullptr).count(), 0);
        EXPECT_EQ(PageLinkList(PdfObject::makeNull(), nullptr).count(), 0);
        EXPECT_TRUE(capture.messages().empty());
    }
}

TEST(AnnotationList, SubtypesAndAppearanceSelection) {
    Objects o;
    int on = o.add("<< /BBox [0 0 10 10] >>");
    int off = o.add("<< /BBox [0 0 10 10] >>");
    int normal = o.add("<< /BBox [0 0 10 10] >>");
    auto ref = [](int n) { return std::to_string(n) + " 0 R"; };
    std::string annots = "[";
    auto annot = [&](const std::string& body) { annots += ref(o.add(body)) + " "; };
    // A checkbox: AS names the state to draw.
    annot("<< /Subtype /Widget /Rect [30 40 10 20] /AS /Off /AP << /N << /On " + ref(on) + " /Off " + ref(off) +
          " >> >> /C [1 0.5 0] >>");
    // No AS: N itself is the appearance when it is a reference...
    annot("<< /Subtype /Widget /AP << /N " + ref(normal) + " >> >>");
    // ... but not when it is a dictionary of states.
    annot("<< /Subtype /Widget /AP << /N << /On " + ref(on) + " >> >> >>");
    // AS naming a state that is missing.
    annot("<< /Subtype /Widget /AS /Maybe /AP << /N << /On " + ref(on) + " >> >> >>");
    annot("<< /Subtype /Stamp /Rect [1 2 3] /C [1 1] /AP << /N " + ref(normal) + " >> >>");
    annot("<< /Subtype /Popup /AP << /N " + ref(normal) + " >> >>");
    annot("<< /Subtype /Link /AP << /N " + ref(normal) + " >> >>");
    annot("<< /Subtype /FileAttachment /AP << /N " + ref(normal) + " >> >>");
    int list = o.add(annots + "]");

    ErrorCapture capture;
    AnnotationList annotations(nullptr, o.get(list));
    EXPECT_TRUE(capture.messages().empty());
    ASSERT_EQ(annotations.count(), 4);
    const PageAnnotation& checkbox = annotations.annotation(0);
    EXPECT_EQ(checkbox.appearance().getRefNum(), off);
    EXPECT_EQ(checkbox.x1(), 10);
    EXPECT_EQ(checkbox.y1(), 20);
    EXPECT_EQ(checkbox.x2(), 30);
    EXPECT_EQ(checkbox.y2(), 40);
    EXPECT_EQ(checkbox.red(), 1);
    EXPECT_EQ(checkbox.green(), 0.5);
    EXPECT_EQ(checkbox.blue(), 0);
    EXPECT_EQ(annotations.annotation(1).appearance().getRefNum(), normal);
    // Default rectangle and colour when Rect and C are not exactly four and three long.
    const PageAnnotation& stamp = annotations.annotation(2);
    EXPECT_EQ(stamp.x1(), 0);
    EXPECT_EQ(stamp.y1(), 0);
    EXPECT_EQ(stamp.x2(), 1);
    EXPECT_EQ(stamp.y2(), 1);
    EXPECT_EQ(stamp.red(), 0);
    EXPECT_EQ(annotations.annotation(3).appearance().getRefNum(), normal);
    EXPECT_EQ(AnnotationList(nullptr, PdfObject::makeNull()).count(), 0);
}

}  // namespace
}  // namespace qm::test
