#include "graphics/mesh_shading.h"

#include <cmath>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/mesh_data_reader.h"

namespace qm {

namespace {

// Triangles and patches read beyond the polygon cap could never be painted.
constexpr size_t kMaxItems = static_cast<size_t>(kMaxShadingPolygons) + 1;
constexpr size_t kMaxVertices = 4 * kMaxItems;
// Binary splits of one triangle, and cells along one side of a patch.
constexpr int kMaxTriangleDepth = 16;
constexpr int kMaxPatchSteps = 64;

void truncated() { reportError(-1, "Truncated mesh data in shading"); }

bool readVertex(MeshDataReader& reader, MeshVertex* v) {
    return reader.readPoint(&v->x, &v->y) && reader.readValues(v->values);
}

// Free-form triangles: flag 0 starts a triangle of three new vertices, 1 and 2 add one vertex to
// the last triangle's second or first edge.
void readFreeForm(MeshDataReader& reader, GouraudShading& s) {
    int pending = 0;  // vertices still needed by a triangle started with flag 0
    while (reader.hasMore() && s.triangles.size() / 3 < kMaxItems && s.vertices.size() < kMaxVertices) {
        int flag = 0;
        MeshVertex v;
        if (!reader.readFlag(&flag) || !readVertex(reader, &v)) {
            truncated();
            return;
        }
        reader.align();
        int n = static_cast<int>(s.vertices.size());
        if (pending > 0) flag = 0;  // flags of the second and third vertex are not used
        if (flag == 0) {
            s.vertices.push_back(v);
            if (pending == 0) pending = 3;
            if (--pending == 0) s.triangles.insert(s.triangles.end(), {n - 2, n - 1, n});
            continue;
        }
        if (s.triangles.empty() || flag > 2) {
            reportError(-1, "Bad edge flag %d in shading mesh", flag);
            return;
        }
        size_t last = s.triangles.size() - 3;
        int a = s.triangles[last], b = s.triangles[last + 1], c = s.triangles[last + 2];
        s.vertices.push_back(v);
        if (flag == 1)
            s.triangles.insert(s.triangles.end(), {b, c, n});
        else
            s.triangles.insert(s.triangles.end(), {a, c, n});
    }
    if (pending > 0) truncated();
}

void readLattice(MeshDataReader& reader, GouraudShading& s, int perRow) {
    while (reader.hasMore() && s.vertices.size() < kMaxVertices) {
        MeshVertex v;
        if (!readVertex(reader, &v)) {
            truncated();
            break;
        }
        reader.align();
        s.vertices.push_back(v);
    }
    size_t rows = s.vertices.size() / static_cast<size_t>(perRow);
    if (s.vertices.size() % static_cast<size_t>(perRow) != 0) truncated();
    for (size_t r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < perRow; ++c) {
            if (s.triangles.size() / 3 >= kMaxItems) return;
            int i = static_cast<int>(r * static_cast<size_t>(perRow)) + c, below = i + perRow;
            s.triangles.insert(s.triangles.end(), {i, i + 1, below, i + 1, below + 1, below});
        }
    }
}

// The order of the boundary points in the data, as (u index, v index).
constexpr int kBoundary[12][2] = {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {1, 3}, {2, 3},
                                  {3, 3}, {3, 2}, {3, 1}, {3, 0}, {2, 0}, {1, 0}};
constexpr int kInner[4][2] = {{1, 1}, {1, 2}, {2, 2}, {2, 1}};

// The inner points that make a tensor patch the same surface as a Coons patch.
void coonsInner(MeshPatch& p) {
    for (double (*c)[4] : {p.x, p.y}) {
        c[1][1] = (-4 * c[0][0] + 6 * (c[0][1] + c[1][0]) - 2 * (c[0][3] + c[3][0]) + 3 * (c[3][1] + c[1][3]) -
                   c[3][3]) / 9;
        c[1][2] = (-4 * c[0][3] + 6 * (c[0][2] + c[1][3]) - 2 * (c[0][0] + c[3][3]) + 3 * (c[3][2] + c[1][0]) -
                   c[3][0]) / 9;
        c[2][2] = (-4 * c[3][3] + 6 * (c[3][2] + c[2][3]) - 2 * (c[3][0] + c[0][3]) + 3 * (c[0][2] + c[2][0]) -
                   c[0][0]) / 9;
        c[2][1] = (-4 * c[3][0] + 6 * (c[3][1] + c[2][0]) - 2 * (c[3][3] + c[0][0]) + 3 * (c[0][1] + c[2][3]) -
                   c[0][3]) / 9;
    }
}

// Flag 0 reads a whole patch; 1, 2 and 3 take the first edge and two colours from the
// previous patch's second, third or fourth edge.
void readPatches(MeshDataReader& reader, PatchShading& s, bool tensor, int components) {
    while (reader.hasMore() && s.patches.size() < kMaxItems) {
        int flag = 0;
        if (!reader.readFlag(&flag)) {
            truncated();
            return;
        }
        if (flag > 3 || (flag != 0 && s.patches.empty())) {
            reportError(-1, "Bad edge flag %d in shading mesh", flag);
            return;
        }
        MeshPatch p;
        int first = 0, firstColor = 0;
        if (flag != 0) {
            const MeshPatch& prev = s.patches.back();
            int from = 3 * flag;  // boundary index where the shared edge starts
            for (int k = 0; k < 4; ++k) {
                const int* src = kBoundary[(from + k) % 12];
                p.x[0][k] = prev.x[src[0]][src[1]];
                p.y[0][k] = prev.y[src[0]][src[1]];
            }
            for (int k = 0; k < 2; ++k)
                for (int c = 0; c < components; ++c) p.values[k][c] = prev.values[(flag + k) % 4][c];
            first = 4;
            firstColor = 2;
        }
        bool ok = true;
        for (int k = first; ok && k < 12; ++k) ok = reader.readPoint(&p.x[kBoundary[k][0]][kBoundary[k][1]],
                                                                      &p.y[kBoundary[k][0]][kBoundary[k][1]]);
        for (int k = 0; ok && tensor && k < 4; ++k)
            ok = reader.readPoint(&p.x[kInner[k][0]][kInner[k][1]], &p.y[kInner[k][0]][kInner[k][1]]);
        for (int k = firstColor; ok && k < 4; ++k) ok = reader.readValues(p.values[k]);
        if (!ok) {
            truncated();
            return;
        }
        reader.align();
        if (!tensor) coonsInner(p);
        s.patches.push_back(p);
    }
}

// ---- Painting

class MeshPainter {
public:
    MeshPainter(const Shading& s, const ShadingFunctions& functions, ShadingCanvas& canvas)
        : canvas_(canvas), functions_(functions), components_(s.componentCount()),
          values_(functions.empty() ? s.componentCount() : 1) {}

    void colorOf(const double* values, double* color) const {
        if (functions_.empty()) {
            for (int i = 0; i < maxColorComponents; ++i) color[i] = values[i];
        } else {
            functions_.eval(values, color);
        }
    }

    // Splits the triangle at the middle of its edge with the largest colour change until the
    // colours are close or the triangle is smaller than a pixel.
    void triangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, int depth) {
        if (canvas_.stopped()) return;
        const MeshVertex* v[3] = {&a, &b, &c};
        int edge = 0;
        double worst = -1, size = 0;
        for (int i = 0; i < 3; ++i) {
            const MeshVertex& p = *v[i];
            const MeshVertex& q = *v[(i + 1) % 3];
            double d = valueChange(p.values, q.values);
            if (d > worst) {
                worst = d;
                edge = i;
            }
            size = std::fmax(size, canvas_.deviceLength(q.x - p.x, q.y - p.y));
        }
        if (depth < kMaxTriangleDepth && worst > kShadingColorStep && size > 1) {
            const MeshVertex& p = *v[edge];
            const MeshVertex& q = *v[(edge + 1) % 3];
            const MeshVertex& r = *v[(edge + 2) % 3];
            MeshVertex m;
            m.x = (p.x + q.x) / 2;
            m.y = (p.y + q.y) / 2;
            for (int k = 0; k < values_; ++k) m.values[k] = (p.values[k] + q.values[k]) / 2;
            triangle(p, m, r, depth + 1);
            triangle(m, q, r, depth + 1);
            return;
        }
        MeshVertex mean;
        for (int k = 0; k < values_; ++k) mean.values[k] = (a.values[k] + b.values[k] + c.values[k]) / 3;
        double color[maxColorComponents];
        colorOf(mean.values, color);
        const double xy[6] = {a.x, a.y, b.x, b.y, c.x, c.y};
        canvas_.fill(color, xy, 3);
    }

    void patch(const MeshPatch& p) {
        // Cells along u and v: enough for the colour to step finely and the curves to bend
        // smoothly, never more than the patch has pixels.
        int steps[2];
        for (int dir = 0; dir < 2; ++dir) {
            double change = 0, length = 0, bend = 0;
            for (int side = 0; side < 2; ++side) {
                // Corners along this direction at the side's fixed other parameter.
                int from = dir == 0 ? (side == 0 ? 0 : 1) : (side == 0 ? 0 : 3);
                int to = dir == 0 ? (side == 0 ? 3 : 2) : (side == 0 ? 1 : 2);
                change = std::fmax(change, valueChange(p.values[from], p.values[to]));
                int j = side * 3;
                double ax, ay, bx, by;
                if (dir == 0) {
                    ax = p.x[0][j], ay = p.y[0][j], bx = p.x[3][j], by = p.y[3][j];
                } else {
                    ax = p.x[j][0], ay = p.y[j][0], bx = p.x[j][3], by = p.y[j][3];
                }
                length = std::fmax(length, canvas_.deviceLength(bx - ax, by - ay));
                for (int k = 1; k < 3; ++k) {
                    double cx = dir == 0 ? p.x[k][j] : p.x[j][k], cy = dir == 0 ? p.y[k][j] : p.y[j][k];
                    double lx = ax + (bx - ax) * k / 3, ly = ay + (by - ay) * k / 3;
                    bend = std::fmax(bend, canvas_.deviceLength(cx - lx, cy - ly));
                }
            }
            double n = std::fmax(std::ceil(change / kShadingColorStep), std::ceil(std::sqrt(bend / 0.25)));
            n = std::fmin(n, std::ceil(length));
            steps[dir] = static_cast<int>(std::fmax(1.0, std::fmin(n, kMaxPatchSteps)));
        }
        int nu = steps[0], nv = steps[1];
        grid_.resize(static_cast<size_t>(2 * (nu + 1) * (nv + 1)));
        for (int j = 0; j <= nv; ++j)
            for (int i = 0; i <= nu; ++i)
                surface(p, static_cast<double>(i) / nu, static_cast<double>(j) / nv,
                        &grid_[static_cast<size_t>(2 * (j * (nu + 1) + i))]);
        for (int j = 0; j < nv; ++j) {
            for (int i = 0; i < nu && !canvas_.stopped(); ++i) {
                double u = (i + 0.5) / nu, v = (j + 0.5) / nv, values[maxColorComponents], color[maxColorComponents];
                for (int k = 0; k < values_; ++k) {
                    double low = p.values[0][k] + (p.values[3][k] - p.values[0][k]) * u;
                    double high = p.values[1][k] + (p.values[2][k] - p.values[1][k]) * u;
                    values[k] = low + (high - low) * v;
                }
                colorOf(values, color);
                double xy[8];
                const int corner[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
                for (int k = 0; k < 4; ++k) {
                    size_t at = static_cast<size_t>(2 * (corner[k][1] * (nu + 1) + corner[k][0]));
                    xy[2 * k] = grid_[at];
                    xy[2 * k + 1] = grid_[at + 1];
                }
                canvas_.fill(color, xy, 4);
            }
        }
    }

private:
    // The colour change across an edge whose ends carry these values, seen at the ends and at
    // the middle (a function can turn back between them).
    double valueChange(const double* a, const double* b) const {
        double ca[maxColorComponents], cb[maxColorComponents];
        colorOf(a, ca);
        colorOf(b, cb);
        double d = colorDistance(ca, cb, components_);
        if (!functions_.empty()) {
            double mid = (a[0] + b[0]) / 2, cm[maxColorComponents];
            colorOf(&mid, cm);
            d = std::fmax(d, std::fmax(colorDistance(ca, cm, components_), colorDistance(cm, cb, components_)) * 2);
        }
        return d;
    }

    static void surface(const MeshPatch& p, double u, double v, double* out) {
        double bu[4], bv[4];
        bernstein(u, bu);
        bernstein(v, bv);
        double x = 0, y = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                x += p.x[i][j] * bu[i] * bv[j];
                y += p.y[i][j] * bu[i] * bv[j];
            }
        out[0] = x;
        out[1] = y;
    }

    static void bernstein(double t, double* b) {
        double s = 1 - t;
        b[0] = s * s * s;
        b[1] = 3 * t * s * s;
        b[2] = 3 * t * t * s;
        b[3] = t * t * t;
    }

    ShadingCanvas& canvas_;
    const ShadingFunctions& functions_;
    int components_;
    int values_;
    std::vector<double> grid_;
};

}  // namespace

void GouraudShading::paint(ShadingCanvas& canvas) const {
    MeshPainter painter(*this, functions, canvas);
    for (size_t i = 0; i + 2 < triangles.size() && !canvas.stopped(); i += 3)
        painter.triangle(vertices[static_cast<size_t>(triangles[i])], vertices[static_cast<size_t>(triangles[i + 1])],
                         vertices[static_cast<size_t>(triangles[i + 2])], 0);
}

void PatchShading::paint(ShadingCanvas& canvas) const {
    MeshPainter painter(*this, functions, canvas);
    for (const MeshPatch& p : patches) {
        if (canvas.stopped()) break;
        painter.patch(p);
    }
}

std::unique_ptr<Shading> parseMeshShading(const PdfObject& obj, int type) {
    PdfDict* dict = obj.isStream() ? obj.dictOf() : nullptr;
    if (!dict) {
        reportError(-1, "Mesh shading is not a stream");
        return nullptr;
    }
    std::unique_ptr<Shading> result;
    ShadingFunctions* functions = nullptr;
    if (type <= 5) {
        auto g = std::make_unique<GouraudShading>(type);
        functions = &g->functions;
        result = std::move(g);
    } else {
        auto p = std::make_unique<PatchShading>(type);
        functions = &p->functions;
        result = std::move(p);
    }
    if (!result->readCommon(dict)) return nullptr;
    PdfObject fn = dict->lookup("Function");
    if (!fn.isNull() && !functions->read(fn, 1)) return nullptr;
    int perRow = 0;
    if (type == 5) {
        PdfObject v = dict->lookup("VerticesPerRow");
        if (!v.isInt() || v.getInt() < 2) {
            reportError(-1, "Missing or invalid VerticesPerRow in shading dictionary");
            return nullptr;
        }
        perRow = v.getInt();
    }
    MeshFormat format;
    int components = result->componentCount();
    if (!format.read(dict, functions->empty() ? components : 1, type != 5)) return nullptr;
    MeshDataReader reader(format, MeshDataReader::readStream(obj));
    if (type == 4) readFreeForm(reader, static_cast<GouraudShading&>(*result));
    if (type == 5) readLattice(reader, static_cast<GouraudShading&>(*result), perRow);
    if (type >= 6) readPatches(reader, static_cast<PatchShading&>(*result), type == 7, format.values);
    return result;
}

}  // namespace qm
