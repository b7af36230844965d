#include "graphics/path_data.h"

#include <climits>

namespace qm {

int nextPathCapacity(int capacity, int needed) {
    // Doubling keeps a path of n points at O(n) copying; maps and plots draw lines of
    // hundreds of thousands of points.
    long next = capacity < kPathInitialCapacity ? kPathInitialCapacity : capacity;
    while (next < needed) next *= 2;
    return next > INT_MAX ? INT_MAX : static_cast<int>(next);
}

SubPath::SubPath(double x, double y) {
    reserveFor(1);
    points_.push_back({x, y, false});
}

void SubPath::reserveFor(int needed) {
    if (capacity_ - pointCount() >= needed) return;
    capacity_ = nextPathCapacity(capacity_, pointCount() + needed);
    points_.reserve(static_cast<size_t>(capacity_));
}

void SubPath::lineTo(double x, double y) {
    reserveFor(1);
    points_.push_back({x, y, false});
}

void SubPath::curveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    reserveFor(3);
    points_.push_back({x1, y1, true});
    points_.push_back({x2, y2, true});
    points_.push_back({x3, y3, false});
}

void SubPath::close() {
    const PathPoint& first = points_.front();
    const PathPoint& last = points_.back();
    if (last.x != first.x || last.y != first.y) lineTo(first.x, first.y);
    closed_ = true;
}

PathData::PathData() {
    capacity_ = kPathInitialCapacity;
    subpaths_.reserve(static_cast<size_t>(capacity_));
}

void PathData::moveTo(double x, double y) {
    movePending_ = true;
    moveX_ = x;
    moveY_ = y;
}

void PathData::startPendingSubpath() {
    if (!movePending_) return;
    if (subpathCount() == capacity_) {
        capacity_ = nextPathCapacity(capacity_, subpathCount() + 1);
        subpaths_.reserve(static_cast<size_t>(capacity_));
    }
    subpaths_.emplace_back(moveX_, moveY_);
    movePending_ = false;
}

void PathData::lineTo(double x, double y) {
    startPendingSubpath();
    if (!subpaths_.empty()) subpaths_.back().lineTo(x, y);
}

void PathData::curveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    startPendingSubpath();
    if (!subpaths_.empty()) subpaths_.back().curveTo(x1, y1, x2, y2, x3, y3);
}

bool PathData::closePath() {
    startPendingSubpath();
    if (subpaths_.empty()) return false;
    subpaths_.back().close();
    return true;
}

}  // namespace qm
