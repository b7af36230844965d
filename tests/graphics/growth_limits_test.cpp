// Storage that content streams can grow without bound: path points and subpaths grow
// geometrically, and marked-content sequences past the cap are counted, not stored.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/pdf_object.h"
#include "graphics/marked_content.h"
#include "graphics/path_data.h"

using namespace qm;

TEST(PathGrowth, PointsAndSubpathsGrowGeometrically) {
    PathData path;
    EXPECT_EQ(path.capacity(), 16);
    path.moveTo(0, 0);
    path.lineTo(1, 1);
    EXPECT_EQ(path.subpath(0).capacity(), 16);

    // A line of 100k points reallocates a handful of times, never far beyond its size.
    std::set<int> capacities;
    for (int i = 0; i < 100000; ++i) {
        path.lineTo(i, -i);
        capacities.insert(path.subpath(0).capacity());
    }
    EXPECT_LE(capacities.size(), 14u);
    EXPECT_LT(path.subpath(0).capacity(), 2 * path.subpath(0).pointCount() + 16);

    capacities.clear();
    for (int i = 0; i < 50000; ++i) {
        path.moveTo(i, i);
        path.lineTo(i + 1, i);
        capacities.insert(path.capacity());
    }
    EXPECT_EQ(path.subpathCount(), 50001);
    EXPECT_LE(capacities.size(), 14u);

    // Curves needing three points at once fit however full the subpath is.
    PathData curves;
    curves.moveTo(0, 0);
    for (int i = 0; i < 1000; ++i) curves.curveTo(1, 2, 3, 4, 5, 6);
    EXPECT_EQ(curves.subpath(0).pointCount(), 3001);
    EXPECT_GE(curves.subpath(0).capacity(), 3001);
    EXPECT_EQ(nextPathCapacity(0, 1), 16);
    EXPECT_EQ(nextPathCapacity(16, 17), 32);
    EXPECT_EQ(nextPathCapacity(32, 100), 128);
}

TEST(MarkedContent, PushesPastTheCapAreCountedSoPopsStayBalanced) {
    MarkedContentStack& stack = MarkedContentStack::instance();
    stack.clear();
    PdfObject tag[1];
    const int extra = 1000;
    for (int i = 0; i < MarkedContentStack::kMaxOpen + extra; ++i) {
        tag[0] = PdfObject::makeName(("T" + std::to_string(i)).c_str());
        stack.push(tag, 1);
    }
    EXPECT_EQ(stack.depth(), MarkedContentStack::kMaxOpen);
    EXPECT_EQ(stack.openCount(), MarkedContentStack::kMaxOpen + extra);
    // The outermost sequences keep their records.
    EXPECT_STREQ(stack.record(0).operands[0].getName(), "T0");

    // Closing the uncounted ones leaves every stored record in place.
    for (int i = 0; i < extra; ++i) stack.pop();
    EXPECT_EQ(stack.depth(), MarkedContentStack::kMaxOpen);
    EXPECT_STREQ(stack.record(MarkedContentStack::kMaxOpen - 1).operands[0].getName(),
                 ("T" + std::to_string(MarkedContentStack::kMaxOpen - 1)).c_str());
    stack.pop();
    EXPECT_EQ(stack.depth(), MarkedContentStack::kMaxOpen - 1);
    for (int i = 0; i < MarkedContentStack::kMaxOpen + 5; ++i) stack.pop();
    EXPECT_EQ(stack.openCount(), 0);
    stack.clear();
}
