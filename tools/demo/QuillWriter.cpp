#include "tools/demo/QuillWriter.h"

#include <bit>
#include <stdexcept>

namespace demo
{

namespace
{

// Record tags of the format.
namespace tag
{
constexpr std::uint32_t end = 0;
constexpr std::uint32_t materialTable = 10;
constexpr std::uint32_t materialIndex = 11;
constexpr std::uint32_t ambient = 12;
constexpr std::uint32_t diffuse = 13;
constexpr std::uint32_t specular = 14;
constexpr std::uint32_t emission = 15;
constexpr std::uint32_t shininess = 16;
constexpr std::uint32_t opacity = 17;
constexpr std::uint32_t materialName = 18;
constexpr std::uint32_t vertex = 20;
constexpr std::uint32_t position = 22;
constexpr std::uint32_t texCoord = 23;
constexpr std::uint32_t normal = 24;
constexpr std::uint32_t vertexColour = 25;
constexpr std::uint32_t vertexTable = 26;
constexpr std::uint32_t sharedPosition = 27;
constexpr std::uint32_t polygon = 30;
constexpr std::uint32_t polygonMaterial = 31;
constexpr std::uint32_t smooth = 32;
constexpr std::uint32_t polygonTexture = 34;
constexpr std::uint32_t polygonColour = 35;
constexpr std::uint32_t unlit = 39;
constexpr std::uint32_t object = 40;
constexpr std::uint32_t objectIndex = 44;
constexpr std::uint32_t instanceOf = 53;
constexpr std::uint32_t placement = 55;
constexpr std::uint32_t mainObject = 63;
constexpr std::uint32_t externalReference = 65;
constexpr std::uint32_t texture = 80;
constexpr std::uint32_t clampS = 85;
constexpr std::uint32_t clampT = 86;
constexpr std::uint32_t translucent = 87;
constexpr std::uint32_t branchName = 100;
constexpr std::uint32_t descend = 102;
constexpr std::uint32_t ascend = 103;
constexpr std::uint32_t lodDistance = 122;
constexpr std::uint32_t special = 129;
constexpr std::uint32_t branchIndex = 135;
constexpr std::uint32_t pivot = 136;
constexpr std::uint32_t engines = 141;
constexpr std::uint32_t engineAscend = 142;
constexpr std::uint32_t engineInteger = 135;
constexpr std::uint32_t connect = 144;
constexpr std::uint32_t firstAxis = 184;
constexpr std::uint32_t splinePath = 190;
constexpr std::uint32_t pathSegment = 199;
constexpr std::uint32_t controlPoint = 202;
constexpr std::uint32_t lodHysteresis = 240;
constexpr std::uint32_t hierarchy = 102;
} // namespace tag

// The tags of parameters p0..p4 and q0..q2, in that order.
constexpr std::array<std::uint32_t, 5> parameterTags = {183, 182, 196, 180, 181};
constexpr std::array<std::uint32_t, 3> furtherTags = {174, 175, 176};

constexpr std::int32_t largestTableIndex = 100000;
constexpr std::uint8_t littleEndian = 3;

class BadModel : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

void checkString(const std::string& text)
{
    if (text.find_first_of(std::string("\0\n\r", 3)) != std::string::npos) {
        throw BadModel("a name holds a byte that ends strings: \"" + text + "\"");
    }
}

class Out
{
public:
    const std::string& bytes() const { return m_bytes; }

    void byte(std::uint8_t value) { m_bytes.push_back(static_cast<char>(value)); }

    // Every tag this writer uses fits in the one byte below the continuation marker 255.
    void tag(std::uint32_t value) { byte(static_cast<std::uint8_t>(value)); }

    void u32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            byte(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void int32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void single(float value) { u32(std::bit_cast<std::uint32_t>(value)); }
    // A value: a double in this revision.
    void value(double value)
    {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void colour(const QuillColour& c)
    {
        single(c.r);
        single(c.g);
        single(c.b);
    }
    void matrix(const QuillMatrix& m)
    {
        for (double v : m) {
            value(v);
        }
    }
    // One byte when it fits in 1..255, else 0 and the length as an int32.
    void chunkLength(std::uint32_t length)
    {
        if (length > 0 && length < 256) {
            byte(static_cast<std::uint8_t>(length));
            return;
        }
        byte(0);
        u32(length);
    }
    // The bytes and a NUL.
    void string(const std::string& text)
    {
        checkString(text);
        m_bytes += text;
        byte(0);
    }
    // The bytes and a line feed.
    void line(const std::string& text)
    {
        checkString(text);
        m_bytes += text;
        byte('\n');
    }

private:
    std::string m_bytes;
};

void checkTableIndex(std::int32_t index, const char* what)
{
    if (index < 0 || index > largestTableIndex) {
        throw BadModel(std::string(what) + " index " + std::to_string(index) + " out of 0..100000");
    }
}

void writeMaterials(Out& out, const std::vector<QuillMaterial>& materials)
{
    if (materials.empty()) {
        return;
    }
    out.tag(tag::materialTable);
    for (const QuillMaterial& m : materials) {
        checkTableIndex(m.index, "material");
        out.tag(tag::materialIndex);
        out.int32(m.index);
        out.tag(tag::ambient);
        out.colour(m.ambient);
        out.tag(tag::diffuse);
        out.colour(m.diffuse);
        out.tag(tag::specular);
        out.colour(m.specular);
        out.tag(tag::emission);
        out.colour(m.emission);
        out.tag(tag::shininess);
        out.single(m.shininess);
        out.tag(tag::opacity);
        out.single(m.opacity);
        out.tag(tag::materialName);
        out.string(m.name);
        out.tag(tag::end);
    }
    out.tag(tag::end);
}

void writeFlag(Out& out, std::uint32_t recordTag, bool on)
{
    out.tag(recordTag);
    out.int32(on ? 1 : 0);
}

void writeTexture(Out& out, const QuillTexture& t)
{
    checkTableIndex(t.index, "texture");
    out.tag(tag::texture);
    out.int32(t.index);
    out.string(t.file);
    writeFlag(out, tag::clampS, t.clampS);
    writeFlag(out, tag::clampT, t.clampT);
    writeFlag(out, tag::translucent, t.translucent);
    out.tag(tag::end);
}

void writeVertex(Out& out, const QuillVertex& v)
{
    out.tag(tag::vertex);
    // The colour first: a position takes the colour in force.
    out.tag(tag::vertexColour);
    out.u32(v.colour);
    if (v.shared) {
        out.tag(tag::sharedPosition);
        out.int32(*v.shared);
    } else {
        out.tag(tag::position);
        for (double c : v.position) {
            out.value(c);
        }
    }
    out.tag(tag::texCoord);
    out.single(v.texCoord[0]);
    out.single(v.texCoord[1]);
    out.tag(tag::normal);
    for (float c : v.normal) {
        out.single(c);
    }
    out.tag(tag::end);
}

void writePolygon(Out& out, const QuillPolygon& p)
{
    out.tag(tag::polygon);
    out.tag(tag::polygonMaterial);
    out.int32(p.material);
    out.tag(tag::polygonTexture);
    out.int32(p.texture);
    out.tag(tag::polygonColour);
    out.u32(p.colour);
    if (p.smooth) {
        out.tag(tag::smooth);
    }
    if (!p.lit) {
        out.tag(tag::unlit);
    }
    for (const QuillVertex& v : p.vertices) {
        writeVertex(out, v);
    }
    out.tag(tag::end);
}

std::uint32_t branchTag(QuillBranchKind kind)
{
    switch (kind) {
    case QuillBranchKind::Group: return 110;
    case QuillBranchKind::Polygons: return 111;
    case QuillBranchKind::Lod: return 112;
    case QuillBranchKind::Instance: return 113;
    case QuillBranchKind::Switch: return 114;
    case QuillBranchKind::Joint: return 115;
    }
    return 110;
}

// The records that only a branch of the kind takes.
void writeKindRecords(Out& out, const QuillBranch& b)
{
    switch (b.kind) {
    case QuillBranchKind::Polygons:
        for (const QuillPolygon& p : b.polygons) {
            writePolygon(out, p);
        }
        break;
    case QuillBranchKind::Instance:
        out.tag(tag::instanceOf);
        out.int32(b.shows);
        out.tag(tag::placement);
        out.matrix(b.placement);
        break;
    case QuillBranchKind::Joint:
        out.tag(tag::pivot);
        out.matrix(b.pivot);
        break;
    case QuillBranchKind::Lod:
        out.tag(tag::lodDistance);
        out.value(b.distance);
        out.tag(tag::lodHysteresis);
        out.chunkLength(4);
        out.int32(0);
        break;
    case QuillBranchKind::Group:
    case QuillBranchKind::Switch: break;
    }
}

// The branch and, between a descend and an ascend, its children; the current branch is the
// branch's parent again afterwards.
void writeBranch(Out& out, const QuillBranch& b)
{
    out.tag(tag::branchName);
    out.string(b.name);
    out.tag(branchTag(b.kind));
    if (b.index) {
        out.tag(tag::branchIndex);
        out.int32(*b.index);
    }
    if (!b.special.empty()) {
        out.tag(tag::special);
        out.string(b.special);
    }
    writeKindRecords(out, b);
    if (b.children.empty()) {
        return;
    }
    out.tag(tag::descend);
    for (const QuillBranch& child : b.children) {
        writeBranch(out, child);
    }
    out.tag(tag::ascend);
}

void writeHierarchy(Out& out, const QuillBranch& root)
{
    out.tag(tag::hierarchy);
    writeBranch(out, root);
    // With no parent left, the ascend ends the record.
    out.tag(tag::ascend);
}

std::uint32_t engineTag(QuillEngineKind kind)
{
    switch (kind) {
    case QuillEngineKind::Plain: return 150;
    case QuillEngineKind::Wave: return 153;
    case QuillEngineKind::Spline: return 156;
    case QuillEngineKind::Output: return 160;
    case QuillEngineKind::Linear: return 162;
    case QuillEngineKind::Pulse: return 165;
    }
    return 150;
}

void writePath(Out& out, const std::vector<QuillBezier>& path)
{
    out.tag(tag::splinePath);
    for (const QuillBezier& segment : path) {
        out.tag(tag::pathSegment);
        out.int32(0);
        for (std::size_t i = 0; i < segment.size(); ++i) {
            out.tag(tag::controlPoint);
            out.int32(static_cast<std::int32_t>(i));
            for (double c : segment[i]) {
                out.value(c);
            }
        }
        out.tag(tag::end);
    }
    out.tag(tag::end);
}

void writeEngine(Out& out, const QuillEngine& e)
{
    out.tag(engineTag(e.kind));
    out.tag(tag::engineInteger);
    out.int32(e.integer);
    for (std::size_t i = 0; i < e.p.size(); ++i) {
        out.tag(parameterTags[i]);
        out.value(e.p[i]);
    }
    for (std::size_t i = 0; i < e.q.size(); ++i) {
        out.tag(furtherTags[i]);
        out.value(e.q[i]);
    }
    if (e.kind == QuillEngineKind::Output) {
        for (std::size_t i = 0; i < e.axes.size(); ++i) {
            out.tag(tag::firstAxis + static_cast<std::uint32_t>(i));
            out.byte(e.axes[i] ? 1 : 0);
        }
    }
    if (e.kind == QuillEngineKind::Spline) {
        writePath(out, e.path);
    }
    if (e.target) {
        out.tag(tag::connect);
        out.int32(*e.target);
    }
    if (e.children.empty()) {
        return;
    }
    out.tag(tag::engines);
    for (const QuillEngine& child : e.children) {
        writeEngine(out, child);
    }
    out.tag(tag::engineAscend);
}

void writeEngines(Out& out, const QuillEngine& root)
{
    out.tag(tag::engines);
    writeEngine(out, root);
    out.tag(tag::engineAscend);
}

void writeVertexTable(Out& out, const std::vector<QuillPoint>& points)
{
    out.tag(tag::vertexTable);
    out.int32(static_cast<std::int32_t>(points.size()));
    for (const QuillPoint& p : points) {
        for (double c : p) {
            out.value(c);
        }
    }
}

void writeObject(Out& out, const QuillObject& o)
{
    out.tag(tag::object);
    out.string(o.name);
    out.tag(tag::objectIndex);
    out.int32(o.index);
    if (!o.sharedVertices.empty()) {
        writeVertexTable(out, o.sharedVertices);
    }
    if (o.root) {
        writeHierarchy(out, *o.root);
    } else if (!o.externalReference.empty()) {
        out.tag(tag::externalReference);
        out.string(o.externalReference);
    }
    // Engines connect to branches the hierarchy made.
    if (o.engines) {
        writeEngines(out, *o.engines);
    }
    if (o.main) {
        writeFlag(out, tag::mainObject, true);
    }
    out.tag(tag::end);
}

}

std::string writeQuill(const QuillModel& model, std::string& error)
{
    try {
        Out out;
        out.line(quillHeader);
        out.byte(littleEndian);
        writeMaterials(out, model.materials);
        for (const QuillTexture& t : model.textures) {
            writeTexture(out, t);
        }
        for (const QuillObject& o : model.objects) {
            writeObject(out, o);
        }
        out.tag(tag::end);
        return out.bytes();
    } catch (const BadModel& bad) {
        error = bad.what();
        return {};
    }
}

}
