// What the document shows the user: titles, wildcards, file dialogs, and the
// "Cannot write" message for files that may not be replaced.

#include "DocumentTestSupport.h"
#include "FileSystemFaults.h"

#include <dbui/CrashRecovery.h>

#include <wx/filefn.h>
#include <wx/strconv.h>

#include <optional>

#include <sys/stat.h>

using namespace doctest;
using dbui::Document;

namespace
{

TEST_F(DocumentTest, TitleIsTheFileNameWithoutFolderAndExtension)
{
    struct Case
    {
        const char* file;
        const char* title;
    };
    const Case cases[] = {
        {"castle.lvl", "castle"},
        {"two.dots.lvl", "two.dots"},
        {"no-extension", "no-extension"},
        {"spaces in name.lvl", "spaces in name"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(m_document->save(path(c.file)), Document::Success);
        EXPECT_EQ(m_document->getTitleWithChangeIndicator(), c.title);
    }
}

class CustomFilterDocument : public Document
{
public:
    using Document::Document;
    wxString getFileDialogFileTypeStringForSaving() const override { return "Levels (*.lvl;*.old)|*.lvl;*.old"; }
};

TEST_F(DocumentTest, FileDialogsOfferTheDocumentType)
{
    EXPECT_EQ(m_document->getFileDialogFileTypeStringForSaving(), "Level Editor Documents (*.lvl)|*.lvl");
    EXPECT_EQ(m_document->getFileDialogFileTypeStringForOpening(), "Level Editor Documents (*.lvl)|*.lvl");

    // Replacing only the saving wildcard changes all three dialogs.
    CustomFilterDocument document(m_database, "lvl");
    writeText(path("a.lvl"), "the open dialog selects only files that exist");
    const wxString custom = "Levels (*.lvl;*.old)|*.lvl;*.old";
    EXPECT_EQ(document.getFileDialogFileTypeStringForOpening(), custom);
    wxString chosen;
    wxTEST_DIALOG(document.showFileOpenDialog(chosen), ExpectFileDialog("Open", path("a.lvl")).wildcard(custom));
    wxTEST_DIALOG(document.showFileSaveAsDialog(chosen), ExpectFileDialog("Save as", path("a.lvl")).wildcard(custom));
    wxTEST_DIALOG(document.showFileSaveCopyDialog(chosen),
                  ExpectFileDialog("Save copy", path("a.lvl")).wildcard(custom));

    // Every dialog starts at the most recent file.
    m_document->setFileHistory(m_history.get());
    m_history->addFileToHistory(path("a.lvl"));
    wxTEST_DIALOG(m_document->showFileOpenDialog(chosen),
                  ExpectFileDialog("Open", path("a.lvl")).presetTo(path("a.lvl")));
    wxTEST_DIALOG(m_document->showFileSaveAsDialog(chosen),
                  ExpectFileDialog("Save as", path("b.lvl")).presetTo(path("a.lvl")));
}

TEST_F(DocumentTest, WithBothKindsTheDialogsOfferEitherAndTheChoiceNamesTheFile)
{
    m_document->setOptions(Document::FormatByExtension);
    const wxString saving = "Level Editor Documents (*.lvl)|*.lvl|Level Editor Binary Documents (*.dbb)|*.dbb";
    EXPECT_EQ(m_document->getFileDialogFileTypeStringForSaving(), saving);
    EXPECT_EQ(m_document->getFileDialogFileTypeStringForOpening(),
              "Level Editor Documents (*.lvl;*.dbb)|*.lvl;*.dbb|" + saving);

    // A name typed without its extension takes that of the kind chosen; one
    // typed with either extension keeps it, whichever kind was chosen.
    const struct
    {
        const char* typed;
        int kind;
        const char* result;
    } cases[] = {
        {"castle", 1, "castle.dbb"},
        {"castle", 0, "castle.lvl"},
        {"castle.lvl", 1, "castle.lvl"},
        {"castle.v2", 1, "castle.v2.dbb"},
    };
    for (const auto& c : cases)
    {
        wxString chosen;
        wxTEST_DIALOG(EXPECT_EQ(m_document->showFileSaveAsDialog(chosen), wxID_OK),
                      ExpectFileDialog("Save as", path(c.typed)).wildcard(saving).choosing(c.kind));
        EXPECT_EQ(chosen, path(c.result)) << c.typed;
    }

    // The dialog starts at the kind of the document's file.
    ASSERT_EQ(m_document->save(path("keep.dbb")), Document::Success);
    wxString chosen;
    wxTEST_DIALOG(m_document->showFileSaveAsDialog(chosen), ExpectFileDialog("Save as", path("x.dbb")).presetKind(1));
}

TEST_F(DocumentTest, ReadOnlyFileIsNeverOverwritten)
{
    const wxString locked = path("locked.lvl");
    writeText(locked, "precious");
    ASSERT_EQ(chmod(locked.fn_str(), 0444), 0);
    ASSERT_EQ(chmod(m_dir.c_str(), 0755), 0);
    dbuitest::OrdinaryUser user;
    ASSERT_FALSE(wxFile::Access(locked, wxFile::write));

    const ExpectMessage cannotWrite("Cannot write to '" + locked + "'.", wxID_OK, wxOK | wxCENTRE);
    wxTEST_DIALOG(EXPECT_EQ(m_document->save(locked), Document::Cancelled), cannotWrite);
    wxTEST_DIALOG(EXPECT_EQ(m_document->saveCopy(locked), Document::Cancelled)
                      << "no overwrite question for a file that cannot be written",
                  cannotWrite);
    wxTEST_DIALOG(EXPECT_EQ(m_document->saveAs(locked), Document::Cancelled), cannotWrite);
    EXPECT_EQ(readAll(locked), "precious");
    EXPECT_TRUE(m_document->getFilename().empty());
    EXPECT_TRUE(m_observer.lifecycle().empty());
}

/// While alive, file names reach the system as Latin-1 bytes, as they do on
/// a system whose locale is not UTF-8.
class Latin1FileNames
{
public:
    Latin1FileNames() : m_previous(wxConvFileName) { wxConvFileName = &m_latin1; }
    ~Latin1FileNames() { wxConvFileName = m_previous; }
    Latin1FileNames(const Latin1FileNames&) = delete;
    Latin1FileNames& operator=(const Latin1FileNames&) = delete;

private:
    wxCSConv m_latin1{wxFONTENCODING_ISO8859_1};
    wxMBConv* m_previous;
};

TEST_F(DocumentTest, NonAsciiNamesAreTheFilesTheSystemKnowsByThoseNames)
{
    struct Case
    {
        const char* system;
        bool latin1;
        const char* bytes; // the name as the system spells it
    };
    const Case cases[] = {
        {"UTF-8", false, "ch\xc3\xa2teau \xc3\xa9t\xc3\xa9.lvl"},
        {"Latin-1", true, "ch\xe2teau \xe9t\xe9.lvl"},
    };
    m_document->setFileHistory(m_history.get());
    dbui::CrashRecovery recovery(*m_document);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.system);
        std::optional<Latin1FileNames> latin1;
        if (c.latin1)
            latin1.emplace();
        const wxString name = path("ch\xc3\xa2teau \xc3\xa9t\xc3\xa9.lvl");
        const std::filesystem::path onDisk = m_dir / c.bytes;

        ASSERT_EQ(m_document->save(name), Document::Success);
        EXPECT_TRUE(std::filesystem::exists(onDisk));
        EXPECT_EQ(m_document->getTitle(), wxString::FromUTF8("ch\xc3\xa2teau \xc3\xa9t\xc3\xa9"));
        EXPECT_EQ(m_history->getHistoryFile(0), name);

        // Older than any recovery file, whatever the clock's granularity.
        std::filesystem::last_write_time(onDisk, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        edit(L"bob");
        ASSERT_TRUE(recovery.saveRecoveryFile());
        EXPECT_TRUE(std::filesystem::exists(onDisk.string() + ".recovery"));
        EXPECT_TRUE(dbui::CrashRecovery::hasNewerRecoveryFile(name));
        m_document->close();
        ASSERT_EQ(m_document->openRecent(0), Document::Success);
        EXPECT_EQ(author(), L"ann");

        ASSERT_EQ(chmod(onDisk.c_str(), 0444), 0);
        ASSERT_EQ(chmod(m_dir.c_str(), 0755), 0);
        {
            dbuitest::OrdinaryUser user;
            wxTEST_DIALOG(EXPECT_EQ(m_document->save(name), Document::Cancelled)
                              << "the check must look at the file that would be replaced",
                          ExpectMessage("Cannot write to '" + name + "'.", wxID_OK, wxOK | wxCENTRE));
        }
        std::filesystem::remove(onDisk);
        std::filesystem::remove(onDisk.string() + ".recovery");
        m_document->close();
        fillDatabase(L"level");
    }
}

} // namespace
