#pragma once

// Seeded random user actions on the editor's window, done through real
// events, with the checks of what must hold after each one. Shared by the
// random test and the benchmark of slow actions on a big scene.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class EditorFrame;

namespace randomui
{

/// One user action, its parameters kept abstract (a row is a number taken
/// modulo the rows shown then), so that a list still means something when
/// actions before it are dropped while shrinking.
struct Action
{
    std::string kind;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    /// Index into the table of odd texts; for typing, finding and renaming.
    std::uint32_t text = 0;

    /// One line: "kind a b c text".
    std::string toLine() const;
    /// The action of a line; false for a line that is not one.
    static bool fromLine(const std::string& line, Action& action);
};

using ActionList = std::vector<Action>;

/// `count` actions drawn from `seed`.
ActionList generateActions(std::uint64_t seed, std::size_t count);
std::string formatActions(const ActionList& actions);
ActionList parseActions(const std::string& text);

/// The menu command a "menu" action chooses; wxID_NONE for any other kind.
int menuCommandOf(const Action& action);

/// Drives one editor window: performs actions and checks it.
class Driver
{
public:
    /// Whether the driver keeps where undo all must lead after each action,
    /// which costs a save of the whole database whenever there is no undo step.
    enum class History
    {
        Followed,
        Ignored,
    };

    /// `scratch` is a folder for the documents the actions save and open;
    /// checkHistory needs History::Followed.
    Driver(EditorFrame& frame, const std::string& scratch, History history = History::Followed);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    /// Does `action` and handles the events it caused.
    void perform(const Action& action);
    /// What does not hold now that must (empty when all is well).
    std::string checkInvariants();
    /// Undo all, redo all, save and reload: what does not come back as it
    /// should (empty when all is well).
    std::string checkHistory();
    /// Number of actions the driver skipped as impossible (nothing to click).
    std::size_t skipped() const { return m_skipped; }
    /// The label of the item the last action chose in a popup menu; empty when it chose none.
    std::string lastMenuChoice() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    History m_history;
    std::size_t m_skipped = 0;
};

/// The names of every action kind, for the benchmark's report.
const std::vector<std::string>& actionKinds();

} // namespace randomui
