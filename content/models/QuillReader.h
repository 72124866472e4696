#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "scene/math/Vector3d.h"
#include "scene/render/RGBA.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace heron
{
class DataSource;
}

namespace finch
{
class BezierPath;
class BezierSegment;
class Branch;
class GroupBranch;
class InstanceBranch;
class Material;
class Matrix;
class Object;
class Polygon;
class Texture;
struct TexCoord;
}

namespace pelican
{

class Engine;
class OldStuff;
class PelicanDB;

// The two binary forms of model-editor files: ".rxs" files carry one byte more before the
// byte-order byte.
enum class QuillVariant
{
    Quill,
    Rxs,
};

// Reads the model-editor file name (opened through the data-file layer) into a new content
// database. Null when the file does not open, and when it is damaged: the reason is then logged
// as "Quill read failed because: <reason>" and the partly built database is dropped.
[[nodiscard]] heron::counted_ptr<PelicanDB> readQuillFile(const heron::FilePath& name, QuillVariant variant);

// What reading a model-editor file gave: the database, or null with the reason the read failed
// (empty when the file did not open).
struct QuillRead
{
    heron::counted_ptr<PelicanDB> database;
    heron_string failure;
};

// readQuillFile without its line: for a caller that tries other readers on the file and logs the
// reason only when none of them reads it.
[[nodiscard]] QuillRead tryQuillFile(const heron::FilePath& name, QuillVariant variant);

// The database of the model file that an external reference names, loaded by the model-file
// reader (PelicanDatabaseReader::loadDatabase) with the search folders the caller registered and
// searchRoot; null when it cannot be read, and for a file already being read by an enclosing
// reference.
[[nodiscard]] heron::counted_ptr<PelicanDB> loadExternalModel(const heron::FilePath& name,
                                                              const heron_string& searchRoot);

// One entry of a file's texture table.
struct QuillTexture
{
    heron::counted_ptr<finch::Texture> texture;
    bool translucent = false;
};

// What the polygons of one hierarchy record take from those before them.
struct QuillSurface
{
    // The colour word both start with: mid grey, opaque (0xAABBGGRR).
    static constexpr std::uint32_t startColour = 0xFF808080;

    heron::counted_ptr<finch::Material> material;
    QuillTexture texture;
    std::uint32_t polygonColour = startColour;
    std::uint32_t vertexColour = startColour;
};

// Reads one model-editor file from a byte source into a database: tagged records of materials,
// textures and named objects, each object with its branch tree, engines and view records, then
// the pass that points instance branches at the objects they show; or, for the text form
// (revision 1.0), sections of vertices, polygons and materials. Every fault
// throws heron::ReadError with the format's message; readQuillFile catches it. One reader per
// file, used once; main thread (it makes scene objects).
class QuillReader
{
public:
    // Sets the source's string mode to text strings and registers the texture folders beside
    // the file (and the editor's usual ones) as search folders; they stay registered.
    QuillReader(heron::DataSource& source, const heron::FilePath& name, QuillVariant variant);
    ~QuillReader();
    QuillReader(const QuillReader&) = delete;
    QuillReader& operator=(const QuillReader&) = delete;

    void readFile(PelicanDB& database);

    // The primitives of the format, in the byte order the file chose.
    // A tag: 255 continues it with the next byte (255, 5 is 259); -1 at the end of the data.
    std::int32_t readTag();
    // One byte, or when it is 0 an int32 that follows; refused when negative or beyond the data.
    std::int32_t readChunkLength();
    // Skips a chunk; message is the reason when its bytes are not there.
    void skipChunk(const char* message);
    heron_string readString();
    finch::RGBA readColour();
    // A float before revision 4.01, a double from it on.
    double readValue();
    // Three doubles whatever the revision.
    finch::Vector3d readVector3d();
    // Sixteen values in row order, turned into the z-up frame for files before revision 3.01.
    void readTransform(finch::Matrix& matrix);
    std::int32_t readInt32();
    std::uint8_t readByte();
    float readFloat();

    // Compares the file's revision, widened, with a threshold.
    bool isBelow(double threshold) const { return double(m_revision) < threshold; }

    // The y-up frame of files before revision 3.01 turned into the z-up frame: a position, and
    // the sixteen elements of a transform in row order.
    static finch::Vector3d toZUp(const finch::Vector3d& v);
    static void toZUp(double* elements);

private:
    friend class OldStuff;

    // Counts one level of nested records for its lifetime; too many is a bad file.
    class Nesting
    {
    public:
        explicit Nesting(QuillReader& reader);
        ~Nesting() { --m_reader.m_nesting; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        QuillReader& m_reader;
    };
    struct Hierarchy;
    struct Engines;
    struct PolygonLook;

    void readHeader();
    // The text form after the header: one object named after the file, one polygon branch.
    void readTextVariant(PelicanDB& database);
    void readFileRecords();
    void readMaterialTable();
    void readMaterialFields(finch::Material& material);
    void readTexture(bool longForm);
    void readTextureFields(QuillTexture& entry);
    void readObject();
    void readObjectRecord(finch::Object& object, std::int32_t tag, bool& makeMain);
    void readExternalReference(finch::Object& object);
    void readView();
    // Three values: a position as written, never turned.
    finch::Vector3d readPosition();
    void readVertexTable(bool convert);
    OldStuff& oldStuff();
    void finishObject(finch::Object& object);
    void resolveInstances();
    finch::Object* findInstanced(finch::InstanceBranch& instance) const;
    static void refuseCycles(const std::map<finch::Object*, std::vector<finch::Object*>>& shown);

    void readHierarchy(finch::Object& object);
    void readHierarchyRecord(Hierarchy& state, std::int32_t tag);
    bool readBranchRecord(Hierarchy& state, std::int32_t tag);
    void readPolygonBranchRecord(Hierarchy& state, std::int32_t tag);
    void placeBranch(Hierarchy& state, std::unique_ptr<finch::Branch> branch);
    void ignoreIntList();

    // A polygon record with the surface flags of its branch; its material is made at its end.
    std::unique_ptr<finch::Polygon> readPolygon(bool flagA, bool flagB);
    void readPolygonRecord(finch::Polygon& polygon, PolygonLook& look, std::int32_t tag, bool flagA, bool flagB);
    void finishPolygon(finch::Polygon& polygon, PolygonLook look, bool flagB);
    // A vertex appended to the polygon with the colour word, then its records.
    void readVertex(finch::Polygon& polygon, std::uint32_t colour);
    // Three floats, turned into the z-up frame for files before revision 3.01.
    finch::Vector3d readNormal();
    finch::TexCoord readTexCoord();
    // The table entries an index names: none for a negative material or texture index; an index
    // past a table is a bad file.
    heron::counted_ptr<finch::Material> tableMaterial(std::int32_t index) const;
    QuillTexture tableTexture(std::int32_t index) const;
    const finch::Vector3d& tablePosition(std::int32_t index) const;

    void readEngines(finch::Object& object);
    void readEngineRecord(Engines& state, std::int32_t tag);
    // A record that sets a field of the engine; false for a tag of no such record.
    bool readEngineValue(Engine& engine, std::int32_t tag);
    void addEngine(Engines& state, std::unique_ptr<Engine> engine);
    void endEngines(Engines& state);
    void connectEngine(finch::Object& object, Engine& engine, std::int32_t index);
    static void clearTarget(Engine& engine);
    void readSpline(finch::BezierPath& path);
    void readSplineBead();
    finch::BezierSegment readBezierSegment();

    // Refuses records nested deeper than the cap.
    static void requireNesting(int depth);
    // The record loops' tag: the end of the data (or a damaged source) is a bad file there.
    std::int32_t readRecordTag();
    // Logs the next 512 bytes before a record the reader does not know.
    void dumpUnknown();
    // Throws "Bad file" unless count items of itemBytes each fit in the data left and the cap.
    void requireCount(std::int32_t count, std::uint32_t itemBytes);
    // Makes the branch tree of holder the object's root; the old tree's branches leave the maps,
    // the flip-book list and the engines' targets, none of which may point into deleted branches.
    void replaceRoot(finch::Object& object, std::unique_ptr<finch::Branch>& holder);
    void forgetBranches(finch::Branch& root);

    heron::DataSource& m_source;
    heron::FilePath m_path;
    QuillVariant m_variant;
    float m_revision = 0.0f;
    PelicanDB* m_database = nullptr;
    int m_nesting = 0;

    std::vector<heron::counted_ptr<finch::Material>> m_materials;
    std::vector<QuillTexture> m_textures;
    QuillSurface m_surface;
    std::vector<finch::Vector3d> m_vertexTable;

    std::map<finch::Branch*, std::int32_t> m_branchIndexes;
    std::map<finch::InstanceBranch*, std::int32_t> m_instanceIndexes;
    std::map<finch::Object*, std::int32_t> m_objectIndexes;
    // Engines given a target, with it, so a deleted target can be taken back.
    std::vector<std::pair<Engine*, finch::Branch*>> m_engineTargets;
    std::unique_ptr<OldStuff> m_oldStuff;
};

}
