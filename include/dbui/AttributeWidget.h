#pragma once

#include <dbui/Export.h>

#include <db/DatabaseObserver.h>
#include <wxUtils/OrkPanel.h>

#include <wx/event.h>

#include <vector>

namespace db
{
class Attribute;
class ChangeSet;
class Database;
} // namespace db

namespace dbui
{

class WidgetDispatcher;

/// Sent by an attribute widget (it travels up the parents) when it refuses
/// what the user typed: GetString() says why. The text stays in its box.
wxDECLARE_EXPORTED_EVENT(DBUI_EXPORT, EVT_ATTRIBUTE_INPUT_REFUSED, wxCommandEvent);

/// Abstract editor of one attribute, or of the like attributes of several nodes
/// at once. Keeps itself registered with the database of the bound attributes and
/// refreshes its controls whenever a change block touches one of them. Inside
/// a window that holds many widgets (the inspector, compound and attribute-array
/// widgets) it registers with that window, which observes the database once for
/// all of them and tells each widget what the database would have told it.
class DBUI_EXPORT AttributeWidget : public wxUtils::OrkPanel, public db::DatabaseObserver
{
public:
    /// A size other than -1 by -1 also becomes the minimum size.
    AttributeWidget(wxWindow* parent, const wxSize& size, long style, const wxString& name);
    ~AttributeWidget() override;

    /// The database the widget observes and edits in; null while unbound or bound through addAttribute only.
    db::Database* getDatabase() const { return m_database; }
    /// The bound attributes, in the order they were given.
    const std::vector<db::Attribute*>& getAttributes() const { return m_attributes; }

    /// Binds exactly `attributes`; rebinding the same list only re-enables the window.
    void setAttributes(const std::vector<db::Attribute*>& attributes);
    ///@{
    /// Binds one attribute, or nothing when null.
    void setAttribute(db::Attribute* attribute);
    void setAttribute(db::Attribute& attribute);
    ///@}
    /// Unbinds every attribute: the controls empty and the widget leaves its database.
    void clearAttributes();
    ///@{
    /// Appends an attribute without touching the database registration (owners repopulate such widgets).
    void addAttribute(db::Attribute* attribute);
    void addAttribute(db::Attribute& attribute);
    ///@}
    ///@{
    /// Takes one attribute out of the bound list; the others stay bound.
    void removeAttribute(db::Attribute* attribute);
    void removeAttribute(db::Attribute& attribute);
    ///@}

    /// True when every bound attribute holds the first one's value; call only while bound.
    bool isValueCommon() const;

    /// What the widget's boxes take besides plain values; none by default.
    enum InputOptions
    {
        /// Number boxes work out arithmetic ("2*3.5", "(1+2)/4") and apply
        /// "+=", "-=", "*=" and "/=" to each bound attribute's own value.
        ArithmeticInput = 1,
    };
    ///@{
    /// A combination of InputOptions. A widget without options of its own
    /// follows the widget it sits in (a compound's member editors, say).
    void setInputOptions(int options) { m_inputOptions = options; }
    int getInputOptions() const;
    ///@}

protected:
    /// Empties the controls.
    virtual void clearWindow() = 0;
    /// Fills the controls from the attributes; `immediate` asks for a repaint at once (drags).
    virtual void populateFromData(bool immediate) = 0;
    /// A change block touched a bound attribute.
    virtual void onDataChanged(const db::ChangeSet& changes, bool immediate) = 0;

    /// Unregisters from the database early: for destructors that still edit data
    /// after the overrides above are gone. The bound attributes stay.
    void stopObservingDatabase() { synchWithDatabase(nullptr); }

    /// True while attributes are bound and may still be written: the database
    /// is not being destroyed and none of them, nor a node above them, has been
    /// removed since.
    bool isBoundToLiveAttributes() const;

private:
    friend class WidgetDispatcher;

    /// Applies text still being typed in this widget (and in widgets inside it)
    /// to the attributes it was typed for, before they are unbound.
    void applyPendingEdits();
    void onDatabaseChanged(db::Database* database, const db::ChangeSet& changes, bool immediate) override;
    /// The bound attributes go with their database: the widget lets go of both and empties.
    void onDatabaseDestroyed(db::Database* database) override;
    void synchWithDatabase(db::Database* database);
    /// Changes the bound list without changing the registration.
    void replaceBoundList(std::vector<db::Attribute*> attributes);
    void rebuild();

    db::Database* m_database = nullptr;
    /// Where the widget is registered when not in the database's own list.
    WidgetDispatcher* m_dispatcher = nullptr;
    std::vector<db::Attribute*> m_attributes;
    /// -1 until set: the enclosing widget's options hold.
    int m_inputOptions = -1;
};

} // namespace dbui
