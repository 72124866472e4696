#include "game/LookFile.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/LineTokenizer.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/SoundCache.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/world/PelicanDB.h"
#include "game/Look.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace
{

// The whole number in [low, high] that word writes as a real number ("1.0", "2e3"); none when word
// is not wholly a real number or its value is not such a whole number.
std::optional<std::int64_t> wholeReal(const std::string& word, std::int64_t low, std::int64_t high)
{
    char* end = nullptr;
    const double value = std::strtod(word.c_str(), &end);
    if (end != word.c_str() + word.size() || !std::isfinite(value) || value != std::floor(value) ||
        value < double(low) || value > double(high)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

// A number word of thousands of characters is logged by its start.
constexpr std::size_t shownLength = 40;

class LookReader;

// One keyword of a block and how its line is read into the block's target. An opener's line must
// hold a '{' and its reader reads the sub-block to its own closing line.
template <typename Target>
struct Entry
{
    const char* keyword;
    bool opener;
    std::function<void(LookReader&, Target&)> read;
};

template <typename Target>
using Table = std::vector<Entry<Target>>;

// The fog settings block's record: the fog, and the object it applies to when it names one.
struct FogRecord
{
    FogSettings fog;
    bool namesObject = false;
    pelican::PelicanObject* object = nullptr;
};

// The stage that the lines of a sequence block fill.
struct SequenceState
{
    Act& act;
    std::int32_t current = 0;
};

// The pattern slot that the lines of a sequencer block fill; -1 before a "rings" line.
struct MotorSlot
{
    Motor& motor;
    std::int32_t slot = -1;
};

// How many lines of one kind a read met, and the number of the first.
struct SeenLines
{
    std::uint32_t count = 0;
    std::uint32_t first = 0;

    void note(std::uint32_t line)
    {
        first = count++ == 0 ? line : first;
    }
};

const Table<Zone>& zoneTable();

// The state of one read: the tokenizer, the world, the level names and the level changes that wait
// for the whole file to be read.
class LookReader
{
public:
    LookReader(Look& world, heron::DataSource& source, const heron_string& folder)
        : m_world(world), m_source(source), m_tokens(nullptr), m_folder(folder)
    {
    }

    void readFile();
    void resolveLevelChanges();
    // One log line for each kind of unusual text the read met.
    void logUnusualText() const;
    int zoneCount() const { return m_zoneCount; }

    // Reads lines into target until the closing line or the end of the file; before each line,
    // beforeLine (when given) runs on the target.
    template <typename Target>
    void readBlock(const Table<Target>& table, Target& target, void (*beforeLine)(Target&) = nullptr);
    void skipBlock();

    // Every value starts with a clear out-of-range flag, so a bad number spoils its own line only.
    void value(bool& flag)
    {
        m_outOfRange = false;
        flag = readWhole(INT32_MIN, INT32_MAX) != 0;
    }
    void value(std::int32_t& number)
    {
        m_outOfRange = false;
        number = static_cast<std::int32_t>(readWhole(INT32_MIN, INT32_MAX));
    }
    // Kept as stored worlds were read: a negative number wraps to the unsigned value of its bits.
    void value(std::uint32_t& number)
    {
        m_outOfRange = false;
        number = static_cast<std::uint32_t>(readWhole(-std::int64_t(UINT32_MAX), UINT32_MAX));
    }
    void value(float& number)
    {
        m_outOfRange = false;
        number = static_cast<float>(readReal());
    }
    void value(double& number)
    {
        m_outOfRange = false;
        number = readReal();
    }
    void value(heron_string& text)
    {
        m_outOfRange = false;
        text = m_tokens.readQuotedString();
    }
    void value(heron::FilePath& path)
    {
        m_outOfRange = false;
        path = heron::FilePath(m_tokens.readQuotedString());
    }
    void value(finch::RGBA& colour);
    void value(finch::Vector3d& vector);
    void value(pelican::PelicanObject*& object);
    // An int at the cursor, clamped to [low, high] with a log line naming what when it was not.
    std::int32_t boundedInt(const char* what, std::int32_t low, std::int32_t high);
    // A sequencer step's note: the rest mark, or a note clamped to the notes the sequencer plays.
    std::int32_t boundedNote();
    bool failed() const { return m_tokens.fail() || m_outOfRange; }
    const heron_string& quoted() { return m_tokens.readQuotedString(); }

    Look& world() { return m_world; }
    void readDatabase();
    void readCounter();
    void readRing();
    void readCollision();
    void readLevel();
    void readZone(Level& level);
    void readFogSettings(Zone& zone);
    void readSong(Zone& zone);
    void readSongFile(Song& song);
    void noteLevelChange(ObjectTrigger& trigger) { m_levelChanges.emplace_back(quoted(), &trigger); }
    void readStageIndex(SequenceState& state);
    void readConstraint(Act::Stage& stage);
    void readStarCount(Zone& zone);
    void readZoneChangeStars();
    void readZoneEnableStars(Zone& zone);
    void readVisibility(ObjectTrigger& trigger);
    void chooseStartLevel(Level& level);

private:
    // A real number at the cursor. An infinity, a NaN or a number past the largest magnitude a
    // world uses counts as a number that did not parse: 0, and the read failed; it is logged.
    // Places, sizes and speeds like that would stall or poison every frame that uses them. One
    // that runs on into other characters ("1.5x") is read as far as it parses, logged with the
    // word as written, and the cursor moves past the whole word.
    double readReal();
    // An integer at the cursor within [low, high]. One past them, or one that runs on into other
    // characters ("5x7", "1e39"), is refused as a real number out of range is: 0, and the read
    // failed; it is logged with the word as written, and the cursor moves past the whole word.
    std::int64_t readWhole(std::int64_t low, std::int64_t high);
    // The length of the word that starts at word (up to a blank or the line's end); the cursor,
    // inside it, moves past it.
    std::size_t skipWord(const char* word);
    // Logs a number the world cannot use (shown as text) and marks the value's read failed.
    void refuseNumber(std::string_view shown);
    // A line outside every block that no keyword there takes.
    void noteStrayLine();
    // A line that no keyword of its block takes: a Zone opener inside a zone, a Level opener
    // inside a level, or a line of a zone inside one of its blocks (fog, sky, song, weather...,
    // as when that block lost its closing line) is counted for the log.
    void noteNestedOpener();
    // Whether a keyword of a zone takes the line.
    bool takenByZone();

    bool isClosing() { return m_tokens.matchKeyword("}", true, true); }
    // Whether the line opens a block of that keyword: the keyword, and a '{' on the line.
    bool opens(const char* keyword);
    bool nextLine();
    void cutEndMarks();
    void cleanLine();
    template <typename Target>
    bool matches(const Entry<Target>& entry);

    Level& levelToFill(const heron_string& name);
    Zone& zoneToFill(Level& level, const heron_string& name);

    Look& m_world;
    heron::DataSource& m_source;
    heron::LineTokenizer m_tokens;
    heron_string m_line;
    heron_string m_folder;
    // Lines read so far, the blocks being read (the levels and zones among them), and what the read
    // met that a clean file lacks: blocks the file's end closed, end marks after its text, lines
    // with control bytes, closing lines and zones outside every block, zones opened inside a zone,
    // levels inside a level and lines of a zone inside one of its blocks.
    std::uint32_t m_lineNumber = 0;
    int m_depth = 0;
    int m_levelDepth = 0;
    int m_zoneDepth = 0;
    bool m_atEnd = false;
    int m_closedByEnd = 0;
    std::uint32_t m_endMarks = 0;
    SeenLines m_controlLines;
    SeenLines m_strayClosings;
    SeenLines m_strayZones;
    SeenLines m_nestedZones;
    SeenLines m_nestedLevels;
    SeenLines m_zoneLinesInBlocks;
    // The depth of the block of the zone being read.
    int m_zoneBlockDepth = 0;
    std::map<heron_string, Level*> m_levelNames;
    std::vector<std::pair<heron_string, ObjectTrigger*>> m_levelChanges;
    int m_zoneCount = 0;
    int m_levelCount = 0;
    std::size_t m_numberedStages = 0;
    bool m_outOfRange = false;
    bool m_zonesCapped = false;
    // Set by a "changeStars" line of the zone being read (not one of its stars block).
    bool m_zoneStarsArmed = false;
    // Levels and zones past the caps are read into these and dropped with the reader, which
    // outlives the resolution of level changes that point into them.
    std::unique_ptr<Level> m_droppedLevel;
    std::unique_ptr<Zone> m_droppedZone;
};

template <typename Target, typename Field>
Entry<Target> field(const char* keyword, Field Target::*member)
{
    return Entry<Target>{keyword, false, [member](LookReader& r, Target& t) { r.value(t.*member); }};
}

template <typename Target>
Entry<Target> opener(const char* keyword, std::function<void(LookReader&, Target&)> read)
{
    return Entry<Target>{keyword, true, std::move(read)};
}

template <typename Target>
Entry<Target> line(const char* keyword, std::function<void(LookReader&, Target&)> read)
{
    return Entry<Target>{keyword, false, std::move(read)};
}

bool LookReader::opens(const char* keyword)
{
    return m_tokens.matchKeyword(keyword, true, true) && std::strchr(m_tokens.line(), '{') != nullptr;
}

template <typename Target>
bool LookReader::matches(const Entry<Target>& entry)
{
    return entry.opener ? opens(entry.keyword) : m_tokens.matchKeyword(entry.keyword, true, true);
}

// Counts the blocks being read, for as long as one is.
class BlockDepth
{
public:
    explicit BlockDepth(int& depth) : m_depth(++depth) {}
    ~BlockDepth() { --m_depth; }
    BlockDepth(const BlockDepth&) = delete;
    BlockDepth& operator=(const BlockDepth&) = delete;

private:
    int& m_depth;
};

template <typename Target>
void LookReader::readBlock(const Table<Target>& table, Target& target, void (*beforeLine)(Target&))
{
    const BlockDepth depth(m_depth);
    while (nextLine() && !isClosing()) {
        if (beforeLine != nullptr) {
            beforeLine(target);
        }
        const auto found = std::find_if(table.begin(), table.end(), [&](const Entry<Target>& e) { return matches(e); });
        if (found != table.end()) {
            found->read(*this, target);
        } else {
            noteNestedOpener();
        }
    }
}

void LookReader::skipBlock()
{
    const BlockDepth depth(m_depth);
    while (nextLine() && !isClosing()) {
        noteNestedOpener();
    }
}

// Hands the tokenizer the next line, read as text whatever it holds; false at the end of the file,
// which ends every block still open.
bool LookReader::nextLine()
{
    if (m_atEnd || !m_source.readLine(m_line)) {
        if (!m_atEnd) {
            m_atEnd = true;
            m_closedByEnd = m_depth;
        }
        m_tokens.setLine(heron_string());
        return false;
    }
    ++m_lineNumber;
    if (m_source.peekByte() < 0) {
        cutEndMarks();
    }
    cleanLine();
    m_tokens.setLine(m_line);
    return true;
}

// Editors and transfers of old have ended text files with end-of-file marks (0x1A) or padded them
// with NUL bytes: a run of them that ends the file is no part of its text.
void LookReader::cutEndMarks()
{
    std::uint32_t length = m_line.length();
    while (length > 0 && (m_line[length - 1] == '\x1A' || m_line[length - 1] == '\0')) {
        --length;
    }
    m_endMarks += m_line.length() - length;
    m_line.resize(length);
}

// Form feeds and vertical tabs separate words as blanks do. Other control bytes stay: a line whose
// first word they spoil is no keyword's, and so a comment like any other.
void LookReader::cleanLine()
{
    bool control = false;
    for (std::uint32_t i = 0; i < m_line.length(); ++i) {
        const char c = m_line[i];
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
            continue;
        }
        control = true;
        if (c == '\f' || c == '\v') {
            m_line[i] = ' ';
        }
    }
    if (control) {
        m_controlLines.note(m_lineNumber);
    }
}

// The words after a count: the first for one, the second for any other count.
const char* counted(std::uint32_t count, const char* one, const char* other)
{
    return count == 1 ? one : other;
}

// Blocks of a kind opened inside a block of the same kind, as when the one before lost its
// closing line: their lines were read as lines of the outer block.
void logNested(const SeenLines& nested, const char* keyword, const char* kind)
{
    if (nested.count > 0) {
        heron::debug("Look file: %u %s %s inside a %s, read as lines of the outer %s (the first is line %u)\n",
                     unsigned(nested.count), keyword, counted(nested.count, "block", "blocks"), kind, kind,
                     unsigned(nested.first));
    }
}

void LookReader::logUnusualText() const
{
    if (m_controlLines.count > 0) {
        heron::debug("Look file: %u %s control bytes, read as text (the first is line %u)\n",
                     unsigned(m_controlLines.count), counted(m_controlLines.count, "line holds", "lines hold"),
                     unsigned(m_controlLines.first));
    }
    if (m_endMarks > 0) {
        heron::debug("Look file: %u end-of-file or NUL %s after the text ignored\n", unsigned(m_endMarks),
                     counted(m_endMarks, "byte", "bytes"));
    }
    if (m_closedByEnd > 0) {
        heron::debug("Look file: the file ends inside %d %s, closed there\n", m_closedByEnd,
                     counted(std::uint32_t(m_closedByEnd), "block", "blocks"));
    }
    if (m_strayClosings.count > 0) {
        heron::debug("Look file: %u closing %s no block, ignored (the first is line %u)\n",
                     unsigned(m_strayClosings.count), counted(m_strayClosings.count, "line closes", "lines close"),
                     unsigned(m_strayClosings.first));
    }
    if (m_strayZones.count > 0) {
        heron::debug("Look file: %u %s outside every level, ignored (the first is line %u)\n",
                     unsigned(m_strayZones.count), counted(m_strayZones.count, "zone", "zones"),
                     unsigned(m_strayZones.first));
    }
    logNested(m_nestedZones, "Zone", "zone");
    logNested(m_nestedLevels, "Level", "level");
    if (m_zoneLinesInBlocks.count > 0) {
        heron::debug("Look file: %u %s of a zone inside one of its blocks, read as %s of that block, as when it lost its "
                     "closing line (the first is line %u)\n",
                     unsigned(m_zoneLinesInBlocks.count), counted(m_zoneLinesInBlocks.count, "line", "lines"),
                     counted(m_zoneLinesInBlocks.count, "a line", "lines"), unsigned(m_zoneLinesInBlocks.first));
    }
}

double LookReader::readReal()
{
    m_tokens.skipBlanks();
    const char* const word = m_tokens.rest();
    double number = 0.0;
    m_tokens.readDouble(number);
    if (!std::isfinite(number) || std::fabs(number) > heron::limits::maxLookMagnitude) {
        std::array<char, 32> shown{};
        std::snprintf(shown.data(), shown.size(), "%g", number);
        refuseNumber(shown.data());
        return 0.0;
    }
    if (m_tokens.fail()) {
        return number;
    }
    const std::size_t parsed = static_cast<std::size_t>(m_tokens.rest() - word);
    const std::size_t length = skipWord(word);
    if (parsed < length) {
        heron::debug("Look file: line %u: %.*s runs on past its number, %g used\n", unsigned(m_lineNumber),
                     int(std::min(length, shownLength)), word, number);
    }
    return number;
}

std::int64_t LookReader::readWhole(std::int64_t low, std::int64_t high)
{
    m_tokens.skipBlanks();
    const char* const word = m_tokens.rest();
    std::int64_t number = 0;
    m_tokens.readLong(number);
    if (m_tokens.fail()) {
        return 0;
    }
    const std::size_t parsed = static_cast<std::size_t>(m_tokens.rest() - word);
    const std::size_t length = skipWord(word);
    if (parsed == length && number >= low && number <= high) {
        return number;
    }
    // A whole number written as a real one ("1.0") reads as that number, as it always did.
    if (const std::optional<std::int64_t> whole = wholeReal(std::string(word, length), low, high)) {
        return *whole;
    }
    refuseNumber(std::string_view(word, std::min(length, shownLength)));
    return 0;
}

std::size_t LookReader::skipWord(const char* word)
{
    const std::size_t length = std::strcspn(word, " \t");
    const std::size_t passed = static_cast<std::size_t>(m_tokens.rest() - word);
    m_tokens.skipChar(static_cast<std::uint32_t>(length - std::min(length, passed)));
    return length;
}

void LookReader::refuseNumber(std::string_view shown)
{
    heron::debug("Look file: line %u: %.*s out of range, 0 used\n", unsigned(m_lineNumber), int(shown.size()),
                 shown.data());
    m_outOfRange = true;
}

// A '}' there closes no block; a zone there belongs to no level, as when a '}' too many closed its
// level early: its block is passed over, so that its own '}' is not counted. Both are counted
// for the log.
void LookReader::noteStrayLine()
{
    if (isClosing()) {
        m_strayClosings.note(m_lineNumber);
        return;
    }
    if (opens("Zone")) {
        m_strayZones.note(m_lineNumber);
        skipBlock();
    }
}

// Kept as stored worlds are read: the inner opener is no keyword of the outer block, so its lines
// fill the outer block and its closing line closes that.
void LookReader::noteNestedOpener()
{
    if (m_zoneDepth > 0 && opens("Zone")) {
        m_nestedZones.note(m_lineNumber);
    } else if (m_levelDepth > 0 && opens("Level")) {
        m_nestedLevels.note(m_lineNumber);
    } else if (m_zoneDepth > 0 && m_depth > m_zoneBlockDepth && takenByZone()) {
        m_zoneLinesInBlocks.note(m_lineNumber);
    }
}

bool LookReader::takenByZone()
{
    return std::any_of(zoneTable().begin(), zoneTable().end(), [&](const Entry<Zone>& e) { return matches(e); });
}

void LookReader::value(finch::RGBA& colour)
{
    m_outOfRange = false;
    for (float* part : {&colour.r, &colour.g, &colour.b, &colour.a}) {
        *part = static_cast<float>(readReal());
    }
}

void LookReader::value(finch::Vector3d& vector)
{
    m_outOfRange = false;
    for (int i = 0; i < 3; ++i) {
        vector[i] = readReal();
    }
}

void LookReader::value(pelican::PelicanObject*& object)
{
    m_outOfRange = false;
    const heron_string& name = m_tokens.readQuotedString();
    pelican::PelicanDB* const database = m_world.database();
    if (database == nullptr) {
        heron::debug("Look file: no content database for object %s - line ignored\n", name.c_str());
        object = nullptr;
        return;
    }
    object = database->findObject(name, m_folder);
}

// Fog settings: a fresh record per block.
const Table<FogRecord>& fogSettingsTable()
{
    static const Table<FogRecord> table = {
        line<FogRecord>("type", [](LookReader& r, FogRecord& t) { r.value(t.fog.type); }),
        line<FogRecord>("near", [](LookReader& r, FogRecord& t) { r.value(t.fog.near); }),
        line<FogRecord>("far", [](LookReader& r, FogRecord& t) { r.value(t.fog.far); }),
        line<FogRecord>("density", [](LookReader& r, FogRecord& t) { r.value(t.fog.density); }),
        line<FogRecord>("color", [](LookReader& r, FogRecord& t) { r.value(t.fog.colour); }),
        line<FogRecord>("object",
                        [](LookReader& r, FogRecord& t) {
                            t.namesObject = true;
                            r.value(t.object);
                        }),
    };
    return table;
}

void LookReader::readFogSettings(Zone& zone)
{
    FogRecord record;
    readBlock(fogSettingsTable(), record);
    if (!record.namesObject) {
        zone.fog = record.fog;
    } else if (record.object != nullptr) {
        zone.objectFogs.push_back(ObjectFog{record.fog, record.object});
    }
}

const Table<Zone>& skyTable()
{
    static const Table<Zone> table = {
        field("changeSky", &Zone::changeSky),
        field("skyChangeTime", &Zone::skyChangeTime),
        line<Zone>("top", [](LookReader& r, Zone& z) { r.value(z.sky.top); }),
        line<Zone>("bottom", [](LookReader& r, Zone& z) { r.value(z.sky.bottom); }),
        line<Zone>("ground", [](LookReader& r, Zone& z) { r.value(z.sky.ground); }),
    };
    return table;
}

const Table<Zone>& sunTable()
{
    static const Table<Zone> table = {
        field("changeSun", &Zone::changeSun),
        field("sunChangeTime", &Zone::sunChangeTime),
        line<Zone>("changeColor", [](LookReader& r, Zone& z) { r.value(z.sun.changeColour); }),
        line<Zone>("sunColor", [](LookReader& r, Zone& z) { r.value(z.sun.sunColour); }),
        line<Zone>("changeBeam", [](LookReader& r, Zone& z) { r.value(z.sun.changeBeam); }),
        line<Zone>("beamColor", [](LookReader& r, Zone& z) { r.value(z.sun.beamColour); }),
        line<Zone>("height", [](LookReader& r, Zone& z) { r.value(z.sun.height); }),
        line<Zone>("changeHeight", [](LookReader& r, Zone& z) { r.value(z.sun.changeHeight); }),
        line<Zone>("direction", [](LookReader& r, Zone& z) { r.value(z.sun.direction); }),
        line<Zone>("changeDirection", [](LookReader& r, Zone& z) { r.value(z.sun.changeDirection); }),
    };
    return table;
}

// number clamped to [low, high], with a log line naming what when it was not in it.
std::int32_t bounded(const char* what, std::int32_t number, std::int32_t low, std::int32_t high)
{
    const std::int32_t kept = std::clamp(number, low, high);
    if (kept != number) {
        heron::debug("Look file: %s %d out of range, %d used\n", what, number, kept);
    }
    return kept;
}

std::int32_t LookReader::boundedInt(const char* what, std::int32_t low, std::int32_t high)
{
    std::int32_t number = 0;
    value(number);
    return bounded(what, number, low, high);
}

std::int32_t LookReader::boundedNote()
{
    std::int32_t note = 0;
    value(note);
    if (note == Motor::rest) {
        return note;
    }
    return bounded("note", note, -heron::limits::maxMotorNote, heron::limits::maxMotorNote);
}

void LookReader::readStarCount(Zone& zone)
{
    zone.numStars = boundedInt("numStars", 0, heron::limits::maxSkyStars);
}

void LookReader::readZoneChangeStars()
{
    value(m_zoneStarsArmed);
}

void LookReader::readZoneEnableStars(Zone& zone)
{
    bool enable = false;
    value(enable);
    if (m_zoneStarsArmed) {
        zone.enableStars = enable;
        zone.disableStars = enable;
    }
}

// The star lines that a zone and its stars block both read. Only a stars block sets the zone's
// changeStars and so switches the stars on or changes them; the zone's own forms of its two
// switches (see the zone table) never do.
Table<Zone> starEntries()
{
    return {
        field("disableStars", &Zone::disableStars),
        field("hemisphere", &Zone::hemisphere),
        line<Zone>("numStars", [](LookReader& r, Zone& z) { r.readStarCount(z); }),
    };
}

const Table<Zone>& starsTable()
{
    static const Table<Zone> table = [] {
        Table<Zone> lines = starEntries();
        lines.push_back(field("changeStars", &Zone::changeStars));
        lines.push_back(field("enableStars", &Zone::enableStars));
        return lines;
    }();
    return table;
}

const Table<Zone>& fogChangeTable()
{
    static const Table<Zone> table = {
        field("changeFog", &Zone::changeFog),
        field("fogChangeTime", &Zone::fogChangeTime),
        field("fogSky", &Zone::fogSky),
        opener<Zone>("fog", [](LookReader& r, Zone& z) { r.readFogSettings(z); }),
    };
    return table;
}

const Table<Zone>& weatherTable()
{
    static const Table<Zone> table = {
        opener<Zone>("fog", [](LookReader& r, Zone& z) { r.readBlock(fogChangeTable(), z); }),
        opener<Zone>("sky", [](LookReader& r, Zone& z) { r.readBlock(skyTable(), z); }),
        opener<Zone>("sun", [](LookReader& r, Zone& z) { r.readBlock(sunTable(), z); }),
        opener<Zone>("stars", [](LookReader& r, Zone& z) { r.readBlock(starsTable(), z); }),
        opener<Zone>("effects", [](LookReader& r, Zone&) { r.skipBlock(); }),
    };
    return table;
}

const Table<Song>& songTable()
{
    static const Table<Song> table = {
        field("name", &Song::name),
        field("enable", &Song::enable),
        field("disable", &Song::disable),
        field("playRing", &Song::playRing),
        field("volume", &Song::volume),
        field("fadeTime", &Song::fadeTime),
        field("crossfadeTime", &Song::crossfadeTime),
        field("maxvolSpeed", &Song::maxvolSpeed),
        field("minvolSpeed", &Song::minvolSpeed),
        field("oncePerLevel", &Song::oncePerLevel),
        field("isArea", &Song::isArea),
        field("enableDoppler", &Song::enableDoppler),
        field("dopplerFactor", &Song::dopplerFactor),
        field("maxvolDistance", &Song::maxvolDistance),
        line<Song>("file", [](LookReader& r, Song& s) { r.readSongFile(s); }),
        line<Song>("phrase",
                   [](LookReader& r, Song& s) {
                       std::array<std::int32_t, 3> phrase{};
                       bool parsed = true;
                       for (std::int32_t& number : phrase) {
                           r.value(number);
                           parsed = parsed && !r.failed();
                       }
                       if (parsed) {
                           s.phrases.push_back(phrase);
                       }
                   }),
        line<Song>("sing",
                   [](LookReader& r, Song& s) {
                       std::array<std::int32_t, 2> sing{};
                       r.value(sing[0]);
                       const bool first = !r.failed();
                       r.value(sing[1]);
                       if (first && !r.failed()) {
                           s.sings.push_back(sing);
                       }
                   }),
    };
    return table;
}

// The marker lines of a song's sample, up to their closing line.
struct MarkerTarget
{
    Song::Sample& sample;
};

const Table<MarkerTarget>& markerTable()
{
    static const Table<MarkerTarget> table = {
        line<MarkerTarget>("marker",
                           [](LookReader& r, MarkerTarget& t) {
                               std::uint32_t marker = 0;
                               r.value(marker);
                               t.sample.addMarker(marker);
                           }),
    };
    return table;
}

void LookReader::readSongFile(Song& song)
{
    heron::FilePath file;
    value(file);
    song.samples.push_back(Song::Sample{file, {}, {}});
    static_cast<void>(pelican::preloadSoundFile(file, pelican::CacheBuild::No));
    MarkerTarget target{song.samples.back()};
    readBlock(markerTable(), target);
}

Song* songSlot(Zone& zone, const heron_string& slot)
{
    if (slot == "song1") {
        return &zone.song1;
    }
    if (slot == "song2") {
        return &zone.song2;
    }
    if (slot == "ambientSong") {
        return &zone.ambientSong;
    }
    if (slot == "emitter") {
        return &zone.emitter;
    }
    for (std::size_t n = 0; n < Zone::ringSongCount; ++n) {
        heron_string name("ringSong");
        name += static_cast<char>('0' + n);
        if (slot == name) {
            return &zone.ringSongs[n];
        }
    }
    return nullptr;
}

void LookReader::readSong(Zone& zone)
{
    Song* const song = songSlot(zone, quoted());
    if (song == nullptr) {
        skipBlock();
        return;
    }
    song->setDefaults();
    readBlock(songTable(), *song);
}

void LookReader::readVisibility(ObjectTrigger& trigger)
{
    bool shown = false;
    pelican::PelicanObject* object = nullptr;
    value(shown);
    value(object);
    if (object != nullptr) {
        trigger.visibility[object] = shown;
    }
}

const Table<ObjectTrigger>& conditionTable()
{
    static const Table<ObjectTrigger> table = {
        field("delay", &ObjectTrigger::delay),
        field("instantVis", &ObjectTrigger::instantVis),
        line<ObjectTrigger>("changeLevel", [](LookReader& r, ObjectTrigger& t) { r.noteLevelChange(t); }),
        field("changeLevelIf", &ObjectTrigger::changeLevelIf),
        field("changeIfType", &ObjectTrigger::changeIfType),
        field("numRings", &ObjectTrigger::numRings),
        field("ifNotRing", &ObjectTrigger::ifNotRing),
        field("notRingName", &ObjectTrigger::notRingName),
        field("resetCounter", &ObjectTrigger::resetCounter),
        field("counterToReset", &ObjectTrigger::counterToReset),
        field("incCounter", &ObjectTrigger::incCounter),
        field("counterToInc", &ObjectTrigger::counterToInc),
        field("incLimit", &ObjectTrigger::incLimit),
        field("decCounter", &ObjectTrigger::decCounter),
        field("counterToDec", &ObjectTrigger::counterToDec),
        field("decLimit", &ObjectTrigger::decLimit),
        field("hideAll", &ObjectTrigger::hideAll),
        line<ObjectTrigger>("setVisibility", [](LookReader& r, ObjectTrigger& t) { r.readVisibility(t); }),
    };
    return table;
}

void LookReader::readStageIndex(SequenceState& state)
{
    const std::int32_t index = boundedInt("stage index", 0, heron::limits::maxActStages - 1);
    const std::size_t wanted = static_cast<std::size_t>(index) + 1;
    const std::size_t added = wanted > state.act.stageCount() ? wanted - state.act.stageCount() : 0;
    if (m_numberedStages + added > heron::limits::maxLookActStages) {
        heron::debug("Look file: stage index %d past the %d stages a world may number - line ignored\n", index,
                     static_cast<int>(heron::limits::maxLookActStages));
        return;
    }
    m_numberedStages += added;
    state.current = index;
}

void LookReader::readConstraint(Act::Stage& stage)
{
    // The constraint is a share in percent; past 100 it would turn the view's limits inside out.
    stage.constraint = boundedInt("constraint", 0, 100);
}

template <typename Field>
Entry<SequenceState> stageField(const char* keyword, Field Act::Stage::*member)
{
    return line<SequenceState>(keyword, [member](LookReader& r, SequenceState& s) {
        r.value(s.act.stage(s.current).*member);
    });
}

const Table<SequenceState>& sequenceTable()
{
    static const Table<SequenceState> table = {
        line<SequenceState>("index", [](LookReader& r, SequenceState& s) { r.readStageIndex(s); }),
        stageField("repeat", &Act::Stage::repeat),
        stageField("groundSpeed", &Act::Stage::groundSpeed),
        stageField("cycleTime", &Act::Stage::cycleTime),
        stageField("acceleration", &Act::Stage::acceleration),
        stageField("tether", &Act::Stage::tether),
        stageField("reverse", &Act::Stage::reverse),
        stageField("smooth", &Act::Stage::smooth),
        line<SequenceState>("constraint",
                            [](LookReader& r, SequenceState& s) { r.readConstraint(s.act.stage(s.current)); }),
    };
    return table;
}

void takeCurrentStage(SequenceState& state)
{
    static_cast<void>(state.act.stage(state.current));
}

const Table<Act>& actTable()
{
    static const Table<Act> table = {
        field("enable", &Act::enable),
        field("object", &Act::object),
        field("minDistance", &Act::minDistance),
        field("maxDistance", &Act::maxDistance),
        field("verticalOffset", &Act::verticalOffset),
        field("immune", &Act::immune),
        field("objective", &Act::objective),
        field("master", &Act::master),
        field("growAtBeginning", &Act::growAtBeginning),
        field("moveWhileGrowing", &Act::moveWhileGrowing),
        field("growTime", &Act::growTime),
        field("actionAtEnd", &Act::actionAtEnd),
        field("resetAtEnd", &Act::resetAtEnd),
        field("shrinkTime", &Act::shrinkTime),
        field("shrinkWhileMoving", &Act::shrinkWhileMoving),
        field("decelerate", &Act::decelerate),
        field("decelerationTime", &Act::decelerationTime),
        opener<Act>("sequence",
                    [](LookReader& r, Act& a) {
                        SequenceState state{a};
                        r.readBlock(sequenceTable(), state, &takeCurrentStage);
                    }),
    };
    return table;
}

template <typename Field>
Entry<Zone> particleField(const char* keyword, Field finch::ParticleParams::*member)
{
    return line<Zone>(keyword, [member](LookReader& r, Zone& z) { r.value(z.particles.*member); });
}

Table<Zone> particleEntries()
{
    Table<Zone> table;
    using P = finch::ParticleParams;
    for (auto [keyword, member] : {std::pair{"enabled", &P::enabled}, std::pair{"trigger", &P::trigger},
                                   std::pair{"whirl", &P::whirl}, std::pair{"pulse", &P::pulse},
                                   std::pair{"followEmitter", &P::followEmitter}}) {
        table.push_back(particleField(keyword, member));
    }
    table.push_back(particleField("delay", &P::delay));
    table.push_back(particleField("duration", &P::duration));
    for (auto [keyword, member] : {std::pair{"particleType", &P::particleType}, std::pair{"renderType", &P::renderType},
                                   std::pair{"birthType", &P::birthType}, std::pair{"deathType", &P::deathType},
                                   std::pair{"percentSpeed", &P::percentSpeed}}) {
        table.push_back(particleField(keyword, member));
    }
    static const std::pair<const char*, float P::*> floats[] = {
        {"innerRadius", &P::innerRadius}, {"outerRadius", &P::outerRadius}, {"height", &P::height},
        {"verticalOffset", &P::verticalOffset}, {"birthrate", &P::birthrate}, {"birthTime", &P::birthTime},
        {"deathTime", &P::deathTime}, {"windStrength", &P::windStrength}, {"windDirection", &P::windDirection},
        {"gravity", &P::gravity}, {"ground", &P::ground}, {"whirlSpeed", &P::whirlSpeed}, {"onMin", &P::onMin},
        {"onMax", &P::onMax}, {"offMin", &P::offMin}, {"offMax", &P::offMax}, {"lodDistance", &P::lodDistance},
        {"lodBirthrate", &P::lodBirthrate}, {"cycleTime", &P::cycleTime}, {"minSize", &P::minSize},
        {"maxSize", &P::maxSize}, {"minLife", &P::minLife}, {"maxLife", &P::maxLife}, {"minAngle", &P::minAngle},
        {"maxAngle", &P::maxAngle}, {"minHeading", &P::minHeading}, {"maxHeading", &P::maxHeading},
        {"minVelocity", &P::minVelocity}, {"maxVelocity", &P::maxVelocity}, {"minSpin", &P::minSpin},
        {"maxSpin", &P::maxSpin}, {"minTumble", &P::minTumble}, {"maxTumble", &P::maxTumble},
    };
    for (const auto& [keyword, member] : floats) {
        table.push_back(particleField(keyword, member));
    }
    return table;
}

const Table<Zone>& particlesTable()
{
    static const Table<Zone> table = [] {
        Table<Zone> made = particleEntries();
        made.push_back(line<Zone>("textureCycle", [](LookReader& r, Zone& z) {
            bool animated = false;
            r.value(animated);
            z.setParticleAnimated(animated);
        }));
        made.push_back(line<Zone>("colorType", [](LookReader& r, Zone& z) {
            std::int32_t type = 0;
            r.value(type);
            z.particles.setColorType(type);
        }));
        made.push_back(line<Zone>("color1", [](LookReader& r, Zone& z) {
            finch::RGBA colour;
            r.value(colour);
            z.particles.setColor1(colour);
        }));
        made.push_back(line<Zone>("color2", [](LookReader& r, Zone& z) {
            finch::RGBA colour;
            r.value(colour);
            z.particles.setColor2(colour);
        }));
        made.push_back(line<Zone>("saturation", [](LookReader& r, Zone& z) {
            float saturation = 0.0f;
            r.value(saturation);
            z.particles.setSaturation(saturation);
        }));
        made.push_back(line<Zone>("textureFile", [](LookReader& r, Zone& z) {
            heron::FilePath file;
            r.value(file);
            z.setParticleImage(file);
        }));
        made.push_back(line<Zone>("object", [](LookReader& r, Zone& z) {
            pelican::PelicanObject* shape = nullptr;
            r.value(shape);
            z.setParticleObject(shape);
        }));
        return made;
    }();
    return table;
}

const Table<Projectile>& projectileTable()
{
    static const Table<Projectile> table = {
        field("give", &Projectile::give),
        field("take", &Projectile::take),
        field("object", &Projectile::object),
        field("enableSnd", &Projectile::enableSnd),
        field("sound", &Projectile::sound),
        field("soundVolume", &Projectile::soundVolume),
        field("speed", &Projectile::speed),
        field("lifespan", &Projectile::lifespan),
        field("gravity", &Projectile::gravity),
        field("doBounce", &Projectile::doBounce),
        field("elasticity", &Projectile::elasticity),
        field("directional", &Projectile::directional),
        field("scale", &Projectile::scale),
        field("particles", &Projectile::particles),
        field("burst", &Projectile::burst),
        field("lod", &Projectile::lod),
        field("rate", &Projectile::rate),
    };
    return table;
}

Table<Zone> zoneEntries()
{
    Table<Zone> table = {
        line<Zone>("center", [](LookReader& r, Zone& z) { r.value(z.position()); }),
        field("radius", &Zone::radius),
        field("changeFlySpeed", &Zone::changeFlySpeed),
        field("flySpeed", &Zone::flySpeed),
        field("playerSize2", &Zone::playerSize2),
        field("changeFarClip", &Zone::changeFarClip),
        field("farClip", &Zone::farClip),
        field("gravity", &Zone::gravity),
        field("isCenteredOnObject", &Zone::isCenteredOnObject),
        field("object", &Zone::object),
        field("verticalOffset", &Zone::verticalOffset),
    };
    static const std::pair<const char*, bool Zone::*> flags[] = {
        {"isAPortal", &Zone::isAPortal}, {"spinView", &Zone::spinView}, {"spinAlways", &Zone::spinAlways},
        {"sphericalSpin", &Zone::sphericalSpin}, {"aeroplaneFly", &Zone::aeroplaneFly}, {"noEntry", &Zone::noEntry},
        {"noExit", &Zone::noExit}, {"waterIsSolid", &Zone::waterIsSolid}, {"showCollision", &Zone::showCollision},
        {"seizeObject", &Zone::seizeObject}, {"seizeGravity", &Zone::seizeGravity}, {"seize2d", &Zone::seize2d},
        {"canBeParked", &Zone::canBeParked}, {"keepAvatar", &Zone::keepAvatar}, {"isBat", &Zone::isBat},
        {"isBall", &Zone::isBall}, {"rollBall", &Zone::rollBall}, {"isGoal", &Zone::isGoal},
        {"isAnAvatar", &Zone::isAnAvatar}, {"isAGravatar", &Zone::isAGravatar},
        {"isGravatarPen", &Zone::isGravatarPen},
    };
    for (const auto& [keyword, member] : flags) {
        table.push_back(field(keyword, member));
    }
    table.push_back(field("goalCounter", &Zone::goalCounter));
    table.push_back(field("stiffness", &Zone::stiffness));
    static const std::pair<const char*, bool Zone::*> moreFlags[] = {
        {"emitLight", &Zone::emitLight}, {"isATarget", &Zone::isATarget}, {"suckRocks", &Zone::suckRocks},
        {"emitRing", &Zone::emitRing}, {"triggerAllActs", &Zone::triggerAllActs},
    };
    for (const auto& [keyword, member] : moreFlags) {
        table.push_back(field(keyword, member));
    }
    table.push_back(field("targetObject", &Zone::targetObject));
    // The fog lines read directly in a zone as in a weather block's fog change.
    table.insert(table.end(), fogChangeTable().begin(), fogChangeTable().end());
    table.push_back(field("changeSky", &Zone::changeSky));
    table.push_back(field("skyChangeTime", &Zone::skyChangeTime));
    table.push_back(opener<Zone>("sky", [](LookReader& r, Zone& z) { r.readBlock(skyTable(), z); }));
    for (Entry<Zone>& star : starEntries()) {
        table.push_back(std::move(star));
    }
    // Kept as stored worlds were read: in a zone itself "changeStars" only arms its "enableStars"
    // lines, each of which then sets both the on and the off switch to its value.
    table.push_back(line<Zone>("changeStars", [](LookReader& r, Zone&) { r.readZoneChangeStars(); }));
    table.push_back(line<Zone>("enableStars", [](LookReader& r, Zone& z) { r.readZoneEnableStars(z); }));
    table.push_back(opener<Zone>("weather", [](LookReader& r, Zone& z) { r.readBlock(weatherTable(), z); }));
    table.push_back(opener<Zone>("song", [](LookReader& r, Zone& z) { r.readSong(z); }));
    table.push_back(opener<Zone>("condition", [](LookReader& r, Zone& z) { r.readBlock(conditionTable(), z.trigger); }));
    table.push_back(opener<Zone>("act", [](LookReader& r, Zone& z) { r.readBlock(actTable(), z.act); }));
    table.push_back(opener<Zone>("particles", [](LookReader& r, Zone& z) { r.readBlock(particlesTable(), z); }));
    table.push_back(opener<Zone>("projectile", [](LookReader& r, Zone& z) { r.readBlock(projectileTable(), z.projectile); }));
    return table;
}

const Table<Zone>& zoneTable()
{
    static const Table<Zone> table = zoneEntries();
    return table;
}

// A zone past the cap, or of a dropped level, is read into the dropped zone.
Zone& LookReader::zoneToFill(Level& level, const heron_string& name)
{
    if (&level != m_droppedLevel.get() && m_zoneCount < heron::limits::maxLookZones) {
        ++m_zoneCount;
        return *level.addObject(name);
    }
    if (&level != m_droppedLevel.get() && !m_zonesCapped) {
        m_zonesCapped = true;
        heron::debug("Look file: more than %d zones - zone %s and those after it ignored\n",
                     heron::limits::maxLookZones, name.c_str());
    }
    if (!m_droppedZone) {
        m_droppedZone = std::make_unique<Zone>();
    }
    return *m_droppedZone;
}

void LookReader::readZone(Level& level)
{
    m_zoneStarsArmed = false;
    m_zoneBlockDepth = m_depth + 1;
    const BlockDepth inZone(m_zoneDepth);
    readBlock(zoneTable(), zoneToFill(level, quoted()));
}

// A sequencer pattern line, read only while a slot is selected.
template <typename Field>
Entry<MotorSlot> slotField(const char* keyword, Field Motor::Pattern::*member)
{
    return line<MotorSlot>(keyword, [member](LookReader& r, MotorSlot& s) {
        if (s.slot >= 0 && s.slot < static_cast<std::int32_t>(Motor::patternCount)) {
            r.value(s.motor.patterns[static_cast<std::size_t>(s.slot)].*member);
        }
    });
}

bool slotSelected(const MotorSlot& s)
{
    return s.slot >= 0 && s.slot < static_cast<std::int32_t>(Motor::patternCount);
}

// A tempo line of a pattern, bounded so that the logic's tempo arithmetic stays in range.
Entry<MotorSlot> slotTempo(const char* keyword, std::int32_t Motor::Pattern::*member)
{
    return line<MotorSlot>(keyword, [keyword, member](LookReader& r, MotorSlot& s) {
        const std::int32_t tempo = r.boundedInt(keyword, 0, heron::limits::maxMotorTempo);
        if (slotSelected(s)) {
            s.motor.patterns[static_cast<std::size_t>(s.slot)].*member = tempo;
        }
    });
}

const Table<MotorSlot>& motorDataTable()
{
    static const Table<MotorSlot> table = {
        line<MotorSlot>("rings", [](LookReader& r, MotorSlot& s) { r.value(s.slot); }),
        slotField("volume", &Motor::Pattern::volume),
        line<MotorSlot>("file",
                        [](LookReader& r, MotorSlot& s) {
                            heron::FilePath file;
                            r.value(file);
                            if (slotSelected(s)) {
                                s.motor.queueSampleFile(static_cast<std::size_t>(s.slot), file);
                            }
                        }),
        slotTempo("minBpm", &Motor::Pattern::minBpm),
        slotTempo("maxBpm", &Motor::Pattern::maxBpm),
        slotField("minBpmSpeed", &Motor::Pattern::minBpmSpeed),
        slotField("maxBpmSpeed", &Motor::Pattern::maxBpmSpeed),
        slotField("staccato", &Motor::Pattern::staccato),
        slotField("minor", &Motor::Pattern::minor),
        line<MotorSlot>("note",
                        [](LookReader& r, MotorSlot& s) {
                            std::int32_t step = 0;
                            r.value(step);
                            const std::int32_t note = r.boundedNote();
                            if (slotSelected(s) && step >= 0 && step < static_cast<std::int32_t>(Motor::stepCount)) {
                                s.motor.patterns[static_cast<std::size_t>(s.slot)].notes[static_cast<std::size_t>(step)] = note;
                            }
                        }),
    };
    return table;
}

const Table<Motor>& motorTable()
{
    static const Table<Motor> table = {
        field("enable", &Motor::enable),
        opener<Motor>("MotorData",
                      [](LookReader& r, Motor& m) {
                          MotorSlot slot{m};
                          r.readBlock(motorDataTable(), slot);
                      }),
    };
    return table;
}

const Table<Level>& levelTable()
{
    static const Table<Level> table = {
        line<Level>("isStartupLevel", [](LookReader& r, Level& l) { r.chooseStartLevel(l); }),
        field("resetAllActs", &Level::resetAllActs),
        field("teleport", &Level::teleport),
        line<Level>("entryXYZ", [](LookReader& r, Level& l) { r.value(l.entryView.position); }),
        line<Level>("entryHPR",
                    [](LookReader& r, Level& l) {
                        finch::Vector3d angles;
                        r.value(angles);
                        l.entryView.heading = angles.x;
                        l.entryView.pitch = angles.y;
                        l.entryView.roll = angles.z;
                    }),
        field("ballFriction", &Level::ballFriction),
        field("batSound", &Level::batSound),
        field("batSoundVolume", &Level::batSoundVolume),
        field("goalSound", &Level::goalSound),
        field("goalSoundVolume", &Level::goalSoundVolume),
        field("counterGraphic", &Level::counterGraphic),
        field("countedGraphic", &Level::countedGraphic),
        field("useSun", &Level::useSun),
        field("extraShine", &Level::extraShine),
        opener<Level>("Zone", [](LookReader& r, Level& l) { r.readZone(l); }),
        opener<Level>("Motor", [](LookReader& r, Level& l) { r.readBlock(motorTable(), l.motor); }),
    };
    return table;
}

void LookReader::chooseStartLevel(Level& level)
{
    bool start = false;
    value(start);
    if (start && &level != m_droppedLevel.get()) {
        m_world.setStartLevel(&level);
    }
}

// A level past the cap is read into the dropped level, whose zones are dropped too.
Level& LookReader::levelToFill(const heron_string& name)
{
    if (m_levelCount < heron::limits::maxLookLevels) {
        ++m_levelCount;
        Level* const level = m_world.addLevel(name);
        m_levelNames[name] = level;
        return *level;
    }
    if (!m_droppedLevel) {
        m_droppedLevel = std::make_unique<Level>();
        heron::debug("Look file: more than %d levels - level %s and those after it ignored\n",
                     heron::limits::maxLookLevels, name.c_str());
    }
    return *m_droppedLevel;
}

void LookReader::readLevel()
{
    const heron_string name = quoted();
    const BlockDepth inLevel(m_levelDepth);
    readBlock(levelTable(), levelToFill(name));
}

const Table<Counter>& counterTable()
{
    static const Table<Counter> table = {
        field("triggerAt", &Counter::triggerAt),
        field("level", &Counter::level),
        field("isRing", &Counter::isRing),
        field("hideObjects", &Counter::hideObjects),
        field("reappear", &Counter::reappear),
        field("multi", &Counter::multi),
    };
    return table;
}

void LookReader::readCounter()
{
    Counter* const counter = m_world.addCounter(quoted());
    readBlock(counterTable(), *counter);
}

// The ring block's record: the ring's name and whether it is in the content database.
struct RingTarget
{
    heron_string name;
    bool found = false;
};

const Table<RingTarget>& ringTable()
{
    static const Table<RingTarget> table = {
        line<RingTarget>("reappear",
                         [](LookReader& r, RingTarget& t) {
                             bool reappear = true;
                             r.value(reappear);
                             if (t.found) {
                                 r.world().setRingReappear(t.name, reappear);
                             }
                         }),
    };
    return table;
}

void LookReader::readRing()
{
    RingTarget ring{quoted()};
    pelican::PelicanDB* const database = m_world.database();
    ring.found = database != nullptr && database->ringZone(ring.name) != nullptr;
    readBlock(ringTable(), ring);
}

const Table<pelican::PelicanDB>& collisionTable()
{
    static const Table<pelican::PelicanDB> table = {
        line<pelican::PelicanDB>("setCollisionType",
                                 [](LookReader& r, pelican::PelicanDB& database) {
                                     std::int32_t mode = 0;
                                     r.value(mode);
                                     if (!r.failed()) {
                                         database.setCollisionType(r.quoted(), mode);
                                     }
                                 }),
    };
    return table;
}

void LookReader::readCollision()
{
    pelican::PelicanDB* const database = m_world.database();
    if (database == nullptr) {
        heron::debug("Look file: Collision block before the database - block ignored\n");
        skipBlock();
        return;
    }
    readBlock(collisionTable(), *database);
}

void LookReader::readDatabase()
{
    const heron_string name = quoted();
    heron::debug("Reading database file %s\n", name.c_str());
    pelican::DataFileName record(heron::FilePath(name), pelican::databasesCategory);
    heron_string path = pelican::resolveDataFile(record);
    if (path.empty()) {
        path = m_folder;
        path += name;
    }
    const heron::counted_ptr<pelican::PelicanDB> database =
        pelican::PelicanDatabaseReader::loadDatabase(heron::FilePath(path), heron_string());
    if (!database && !pelican::lastLoadError().empty()) {
        throw heron::ReadError((name + " is damaged: " + pelican::lastLoadError()).c_str());
    }
    if (!database) {
        pelican::noteFile(pelican::FileList::Missing, record, "---Database %s not found\n");
        throw heron::ReadError("file not found");
    }
    if (!database->engines().empty()) {
        heron::debug("Database has %d objects with engines\n", static_cast<int>(database->engines().size()));
    }
    m_world.setDatabase(database);
    heron::debug("Database file read\n");
}

const Table<Look>& dataTable()
{
    static const Table<Look> table = {
        line<Look>("database", [](LookReader& r, Look&) { r.readDatabase(); }),
        opener<Look>("counter", [](LookReader& r, Look&) { r.readCounter(); }),
        opener<Look>("ring", [](LookReader& r, Look&) { r.readRing(); }),
        line<Look>("noExitSound", [](LookReader& r, Look& w) { w.setNoExitSound(heron::FilePath(r.quoted())); }),
        line<Look>("noExitTexture", [](LookReader& r, Look& w) { w.setNoExitTexture(heron::FilePath(r.quoted())); }),
        line<Look>("medalThrowSound",
                   [](LookReader& r, Look& w) { w.setMedalThrowSound(heron::FilePath(r.quoted())); }),
        line<Look>("medalCatchSound",
                   [](LookReader& r, Look& w) { w.setMedalCatchSound(heron::FilePath(r.quoted())); }),
    };
    return table;
}

// Lines outside any block; the table is read as a block that only the file's end closes.
const Table<Look>& topTable()
{
    static const Table<Look> table = {
        opener<Look>("Data", [](LookReader& r, Look& w) { r.readBlock(dataTable(), w); }),
        opener<Look>("Level", [](LookReader& r, Look&) { r.readLevel(); }),
        opener<Look>("Collision", [](LookReader& r, Look&) { r.readCollision(); }),
    };
    return table;
}

void LookReader::readFile()
{
    while (nextLine()) {
        const auto found =
            std::find_if(topTable().begin(), topTable().end(), [&](const Entry<Look>& e) { return matches(e); });
        if (found != topTable().end()) {
            found->read(*this, m_world);
        } else {
            noteStrayLine();
        }
    }
}

void LookReader::resolveLevelChanges()
{
    for (auto change = m_levelChanges.rbegin(); change != m_levelChanges.rend(); ++change) {
        const auto named = m_levelNames.find(change->first);
        change->second->targetLevel = named != m_levelNames.end() ? named->second : nullptr;
    }
    m_levelChanges.clear();
}

}

bool readLookFile(Look& world, pelican::DataFileName& record)
{
    const heron::counted_ptr<heron::DataSource> source = pelican::openDataFile(record);
    heron::debug("Reading %s\n", record.path.c_str());
    if (!source) {
        heron::debug("Finished reading look file\n");
        return false;
    }
    heron::debug("File opened OK...\n");
    pelican::clearFileLists();
    pelican::noteFile(pelican::FileList::Used, record, "Look file %s opened ok\n");
    world.setLookFile(record.path);
    LookReader reader(world, *source, record.path.spelledDirectory());
    heron::debug("Reading look file %s\n", record.path.c_str());
    bool whole = true;
    try {
        reader.readFile();
        heron::debug("Look file read\n");
    } catch (const heron::ReadError& error) {
        heron::debug("Exception in look file reader\n");
        heron::debug("Reason: %s\n", error.what());
        whole = false;
    }
    reader.logUnusualText();
    if (world.levels().empty()) {
        // Whatever else the file held, a world without a level cannot be played.
        heron::debug("Look file: no level read\n");
        whole = false;
    }
    reader.resolveLevelChanges();
    world.preloadLevels();
    world.camera().setNearFar(0.2, 30000.0);
    heron::debug("%d zones read from file\n", reader.zoneCount());
    heron::debug("Finished reading look file\n");
    return whole;
}
