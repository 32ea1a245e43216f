#pragma once

// Shared pieces of the document tests: a scratch folder, a database with
// content, an observer that records what it is told, a recent-files list that
// keeps out of the user's configuration, and an expectation for message boxes
// that checks what the user reads.

#include "Harness.h"

#include <dbui/Document.h>
#include <dbui/DocumentObserver.h>

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/NodeContainer.h>
#include <db/NodeFactory.h>
#include <db/StringAttribute.h>

#include <Tarn/Tarn.h>
#include <wxUtils/OrkFileHistory2.h>

#include <wx/file.h>
#include <wx/filedlg.h>
#include <wx/memconf.h>
#include <wx/msgdlg.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <stdlib.h>

namespace doctest
{

/// The caption every document message box carries.
inline const wxString s_appName = "Level Editor";

/// Records the notifications an observer gets, in order.
class RecordingObserver : public dbui::DocumentObserver
{
public:
    std::vector<std::string> calls;

    void onDocumentCreated() override { calls.push_back("created"); }
    void onDocumentClosing() override { calls.push_back("closing"); }
    void onDocumentClosed() override { calls.push_back("closed"); }
    void onDocumentSaved() override { calls.push_back("saved"); }
    void onDocumentModified(bool transient) override
    {
        calls.push_back(transient ? "modified(transient)" : "modified");
    }

    /// The calls other than "modified", which come as often as the database reports.
    std::vector<std::string> lifecycle() const
    {
        std::vector<std::string> result;
        for (const auto& c : calls)
        {
            if (c.rfind("modified", 0) != 0)
                result.push_back(c);
        }
        return result;
    }
    void clear() { calls.clear(); }
};

/// Answers a message box after checking its text, caption and buttons.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage>
{
public:
    /// `answer` is a dialog id: wxID_YES, wxID_NO, wxID_OK or wxID_CANCEL.
    ExpectMessage(const wxString& message, int answer, long style)
        : m_message(message), m_answer(answer), m_style(style)
    {
    }
    /// A box whose text holds each of `parts`: the names and words that tell it from the others.
    static ExpectMessage containing(const std::vector<wxString>& parts, int answer, long style)
    {
        ExpectMessage expect(parts.front(), answer, style);
        expect.m_parts = parts;
        return expect;
    }

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        if (m_parts.empty())
        {
            EXPECT_EQ(dialog->GetMessage(), m_message);
        }
        for (const wxString& part : m_parts)
            EXPECT_NE(dialog->GetMessage().Find(part), wxNOT_FOUND) << part << " is not in " << dialog->GetMessage();
        EXPECT_EQ(dialog->GetCaption(), s_appName);
        const long buttons = wxYES_NO | wxOK | wxCANCEL | wxICON_QUESTION | wxICON_EXCLAMATION;
        long expected = m_style & buttons;
        if (!(expected & (wxYES_NO | wxOK | wxCANCEL)))
            expected |= wxOK; // a box without buttons still has OK
        EXPECT_EQ(dialog->GetMessageDialogStyle() & buttons, expected) << "buttons of \"" << m_message << "\"";
        return m_answer;
    }

    wxString GetDefaultDescription() const override { return "message box \"" + m_message + "\""; }

private:
    wxString m_message;
    std::vector<wxString> m_parts;
    int m_answer;
    long m_style;
};

inline ExpectMessage savePrompt(int answer)
{
    return ExpectMessage("Would you like to save your changes?", answer, wxYES_NO | wxCANCEL | wxICON_QUESTION);
}

inline ExpectMessage savingFailed()
{
    return ExpectMessage("Saving failed", wxID_OK, wxICON_EXCLAMATION);
}

/// Answers a file dialog after checking its message and wildcard.
class ExpectFileDialog : public wxExpectModalBase<wxFileDialog, ExpectFileDialog>
{
public:
    ExpectFileDialog(const wxString& message, const wxString& path, int answer = wxID_OK)
        : m_message(message), m_path(path), m_answer(answer)
    {
    }
    /// Also checks the wildcard the dialog offers.
    ExpectFileDialog wildcard(const wxString& w) const
    {
        ExpectFileDialog e(*this);
        e.m_wildcard = w;
        return e;
    }
    /// Chooses the file kind at `index` of the wildcard before answering.
    ExpectFileDialog choosing(int index) const
    {
        ExpectFileDialog e(*this);
        e.m_filterIndex = index;
        return e;
    }
    /// Also checks the kind the dialog was preset to.
    ExpectFileDialog presetKind(int index) const
    {
        ExpectFileDialog e(*this);
        e.m_presetKind = index;
        return e;
    }
    /// Also checks the path the dialog was preset to.
    ExpectFileDialog presetTo(const wxString& p) const
    {
        ExpectFileDialog e(*this);
        e.m_preset = p;
        e.m_checkPreset = true;
        return e;
    }

protected:
    int OnInvoked(wxFileDialog* dialog) const override
    {
        wxtest::fileChooserAnswered();
        EXPECT_EQ(dialog->GetMessage(), m_message);
        EXPECT_FALSE(dialog->HasFlag(wxFD_OVERWRITE_PROMPT)) << "the document asks the overwrite question itself";
        if (!m_wildcard.empty())
        {
            EXPECT_EQ(dialog->GetWildcard(), m_wildcard);
        }
        if (m_checkPreset)
        {
            // The native chooser takes up a preset folder asynchronously.
            wxtest::pumpUntil([&] { return dialog->GetPath() == m_preset; }, std::chrono::milliseconds(2000));
            EXPECT_EQ(dialog->GetPath(), m_preset);
        }
        if (m_presetKind >= 0)
        {
            EXPECT_EQ(dialog->GetFilterIndex(), m_presetKind);
        }
        if (m_filterIndex >= 0)
            dialog->SetFilterIndex(m_filterIndex);
        dialog->SetPath(m_path);
        EXPECT_TRUE(wxtest::pumpUntil([&] { return dialog->GetPath() == m_path; }, std::chrono::milliseconds(2000)))
            << "the file dialog did not take the path " << m_path;
        return m_answer;
    }

    wxString GetDefaultDescription() const override { return "file dialog \"" + m_message + "\""; }

private:
    wxString m_message;
    wxString m_path;
    int m_answer;
    wxString m_wildcard;
    wxString m_preset;
    bool m_checkPreset = false;
    int m_filterIndex = -1;
    int m_presetKind = -1;
};

/// A test with a scratch folder, a database with content and a document over it.
class DocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gTarn.getEnvData().setAppDisplayName(s_appName);
        char pattern[] = "/tmp/dbui-document-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        fillDatabase(L"level");
        m_document = std::make_unique<dbui::Document>(m_database, "lvl");
        m_document->m_observers.add(&m_observer, ObserverMode::Deferred);
        m_config = std::make_unique<wxMemoryConfig>();
        m_history = std::make_unique<wxUtils::OrkFileHistory2>("RecentFiles", 9, m_config.get());
    }

    void TearDown() override
    {
        m_document.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    /// A path in the scratch folder.
    wxString path(const std::string& name) const { return wxString::FromUTF8((m_dir / name).string()); }

    /// Adds a node and a root attribute; each is one undo step.
    void fillDatabase(const std::wstring& nodeName)
    {
        m_database.getRootContainer().add(db::makeNode(L"Group", nodeName));
        m_database.addDynamicString(L"author", L"ann");
    }

    /// One edit as a user makes it: a change block with an undo description.
    void edit(const std::wstring& author)
    {
        auto* attribute = dynamic_cast<db::StringAttribute*>(m_database.findAttribute(L"author"));
        ASSERT_NE(attribute, nullptr) << "the database has no author attribute to edit";
        db::ChangeBlock block(m_database, L"Set string attribute(s)");
        attribute->setValue(author);
    }

    std::wstring author() const
    {
        auto* attribute = dynamic_cast<db::StringAttribute*>(m_database.findAttribute(L"author"));
        return attribute ? attribute->getValue() : L"<none>";
    }

    bool hasNode(const std::wstring& name) const { return m_database.getRootContainer().findNode(name) != nullptr; }

    /// Writes the current database to `name` through a plain document save, then forgets the save.
    void writeFile(const wxString& name) { ASSERT_TRUE(m_document->saveFile(name.ToStdWstring())); }

    static std::string readAll(const wxString& name)
    {
        std::ifstream in(std::string(name.fn_str()), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static void writeText(const wxString& name, const std::string& text)
    {
        std::ofstream out(std::string(name.fn_str()), std::ios::binary);
        out << text;
    }

    std::filesystem::path m_dir;
    db::Database m_database;
    RecordingObserver m_observer;
    std::unique_ptr<dbui::Document> m_document;
    std::unique_ptr<wxMemoryConfig> m_config;
    std::unique_ptr<wxUtils::OrkFileHistory2> m_history;
};

} // namespace doctest
