#pragma once

#include "base/counted_ptr.h"
#include "base/heron_string.h"
#include "content/world/SpecialFinding.h"
#include "scene/graph/Branch.h"
#include "scene/graph/Database.h"

#include <set>

namespace finch
{
class GroupBranch;
}

namespace pelican_specials
{

// Turns the special-effect texts that model readers leave on group branches into the specials
// they name, and lets the one-shot specials met on a later run apply themselves. Databases
// shown through external references are searched too, each once per run. Main thread only.
class SpecialFinder : public pelican::SpecialFinding,
                      public finch::Database::ObjectProcessor,
                      public finch::BranchProcessor
{
public:
    // Every object of the database, then the one-shot hooks scheduled are released.
    void run(pelican::PelicanDB& database) override;
    void registerFactories(heron::DataSource& source) override;

    void process(finch::Object& object) override;
    // Always lets the walk go on.
    bool process(finch::Branch& branch) override;

private:
    void search(finch::Database& database);

    std::set<const finch::Database*> m_searched;
};

// The special a text names, made for the group; null for a keyword no special has.
heron::counted_ptr<finch::TraversalCallback> makeSpecial(const heron_string& text, finch::GroupBranch& group);

// Makes the content databases' preparation use the special finder, and their stream readers
// know the stored specials.
void installSpecialFinder();

}
