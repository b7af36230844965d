#pragma once
// The path under construction: subpaths of points, where a curve adds its two control points
// (flagged) and its end point. Storage starts with room for 16 and doubles when full.
#include <cstddef>
#include <vector>

namespace qm {

constexpr int kPathInitialCapacity = 16;
// The capacity after `capacity` when `needed` entries must fit: at least the initial size,
// doubled until it holds them.
int nextPathCapacity(int capacity, int needed);

struct PathPoint {
    double x;
    double y;
    bool curve;  // a control point of a curve
};

class SubPath {
public:
    SubPath(double x, double y);
    int pointCount() const { return static_cast<int>(points_.size()); }
    int capacity() const { return capacity_; }
    const PathPoint& point(int i) const { return points_[static_cast<size_t>(i)]; }
    const PathPoint& lastPoint() const { return points_.back(); }
    bool isClosed() const { return closed_; }

    void lineTo(double x, double y);
    void curveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    // Adds a line back to the first point unless the last point is exactly there.
    void close();

private:
    // Room for `needed` more points.
    void reserveFor(int needed);

    std::vector<PathPoint> points_;
    int capacity_ = 0;
    bool closed_ = false;
};

class PathData {
public:
    PathData();
    int subpathCount() const { return static_cast<int>(subpaths_.size()); }
    int capacity() const { return capacity_; }
    const SubPath& subpath(int i) const { return subpaths_[static_cast<size_t>(i)]; }
    bool isMovePending() const { return movePending_; }
    // A pending move or at least one subpath.
    bool hasCurrentPoint() const { return movePending_ || !subpaths_.empty(); }

    void moveTo(double x, double y);
    void lineTo(double x, double y);
    void curveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    // Closes the last subpath; false when there is nothing to close.
    bool closePath();
    // The end of the last subpath (only when there is one).
    const PathPoint& lastPoint() const { return subpaths_.back().lastPoint(); }

private:
    // Starts the subpath a pending move asked for.
    void startPendingSubpath();

    bool movePending_ = false;
    double moveX_ = 0;
    double moveY_ = 0;
    std::vector<SubPath> subpaths_;
    int capacity_ = 0;
};

}  // namespace qm
