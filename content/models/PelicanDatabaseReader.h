#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "scene/core/EngineSwitches.h"

namespace finch
{
class Database;
class Object;
}

// Model files become content databases here, whatever their kind: model lists (".mdl", stored
// content databases, read in place of a model while a packed data file is registered), the model
// editor's files (".quill", ".rxs") and radiosity files (".lsb"); then the frame sequences found
// beside a model (folders of ".obj" or ".ase" frames, or their ".anim" cache, with the cycle time
// in "control.txt") become animations of its database. Main thread only (it builds scene objects).
namespace pelican
{

class PelicanDB;

// The one reader of model files: the world's loader, external references inside model files and
// the scene engine's external-reference branches all load through it.
class PelicanDatabaseReader : public finch::FinchDatabaseReader
{
public:
    // Made on first use, kept for the program's run.
    static PelicanDatabaseReader& instance();

    // loadDatabase with the path's directory as the search root.
    [[nodiscard]] heron::counted_ptr<finch::Database> load(const heron::FilePath& path) override;

    // The database of the model file name, null when none can be read; never throws. Within one
    // outermost load a name is read once. A name that does not resolve is tried under the older
    // model folders and then, part by part, under searchRoot. Readers' failures are logged ("File
    // read returned: %s") and kept as the last error; a model that is there but damaged is logged
    // with that reason ("---Exref: %s is damaged: %s"), a missing one is noted with "---Exref: %s
    // not found" in the missing-files list. A model that refers back to one still being read (a cycle of external
    // references) gives null with "---Exref: %s refers back to a model being read".
    [[nodiscard]] static heron::counted_ptr<PelicanDB> loadDatabase(const heron::FilePath& name,
                                                                    const heron_string& searchRoot);

private:
    PelicanDatabaseReader() = default;
};

// Why the last load failed; emptied when a load starts.
const heron_string& lastLoadError();

// With a packed data file registered: the content database stored in the ".mdl" file beside path
// when that file is at least as new as the model; otherwise null.
[[nodiscard]] heron::counted_ptr<PelicanDB> readMdlFile(const heron::FilePath& path);

// The database of a radiosity file (one object whose root group holds its lit geometry); null
// when it does not open or is not one, and when it is damaged ("LSB read failed because: %s"
// logged, and the reason kept in failure when one is given). Defined beside its reader, LsbReader.
[[nodiscard]] heron::counted_ptr<PelicanDB> readLsbFile(const heron::FilePath& path, heron_string* failure = nullptr);

// Gives object the frames of the model file's frame sequence: the ".anim" cache beside it, else a
// folder of ".obj" (else ".ase") frame files named like the model, of which at least two are
// needed. A folder read for a model found on disk writes the cache. False when there is no
// sequence; a damaged cache leaves the object without frames and still gives true.
bool readFrameSequence(const heron::FilePath& modelPath, finch::Object& object);

// The cycle time in seconds that "control.txt" beside the model gives (its last "cycleTime = "
// line); 1.0 without one.
[[nodiscard]] float readControlFile(const heron::FilePath& modelPath);

namespace quill_reader
{
// Registers the frame sequences of the database's main object, or of the objects its root group
// shows through instance branches, as animations of the database (file path = the model file).
void findFrameAnimations(PelicanDB& database);
}

}
