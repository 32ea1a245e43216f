// What the document shows the user: titles, wildcards, file dialogs, and the
// "Cannot write" message for files that may not be replaced.

#include "DocumentTestSupport.h"

#include <dbui/CrashRecovery.h>

#include <wx/filefn.h>
#include <wx/strconv.h>

#include <optional>

#include <linux/capability.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

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

/// Makes files without write permission unwritable for this test even when it
/// runs as root, whose permission checks would otherwise pass everything: the
/// thread gives up its file-permission override while this lives.
class WithoutPermissionOverride
{
public:
    WithoutPermissionOverride()
    {
        if (getuid() != 0)
        {
            m_usable = true;
            return;
        }
        m_oldBits = prctl(PR_GET_SECUREBITS);
        // Without this bit the kernel gives root every permitted capability
        // back for access() checks.
        if (m_oldBits < 0 || prctl(PR_SET_SECUREBITS, m_oldBits | SECBIT_NO_SETUID_FIXUP) != 0)
            return;
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        if (syscall(SYS_capset, &m_header, reduced) != 0)
            return;
        m_changed = true;
        m_usable = true;
    }

    ~WithoutPermissionOverride()
    {
        if (!m_changed)
            return;
        syscall(SYS_capset, &m_header, m_saved);
        prctl(PR_SET_SECUREBITS, m_oldBits);
    }

    bool usable() const { return m_usable; }

private:
    bool m_usable = false;
    bool m_changed = false;
    int m_oldBits = 0;
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
};

TEST_F(DocumentTest, ReadOnlyFileIsNeverOverwritten)
{
    const wxString locked = path("locked.lvl");
    writeText(locked, "precious");
    ASSERT_EQ(chmod(locked.fn_str(), 0444), 0);
    WithoutPermissionOverride guard;
    if (!guard.usable() || wxFile::Access(locked, wxFile::write))
        GTEST_SKIP() << "cannot make a file read-only for this user";

    const ExpectMessage cannotWrite("Cannot write to '" + locked + "'.", wxID_OK, wxOK | wxCENTRE);
    Document::ErrorCode result = Document::Success;
    wxTEST_DIALOG(result = m_document->save(locked), cannotWrite);
    EXPECT_EQ(result, Document::Cancelled);
    wxTEST_DIALOG(result = m_document->saveCopy(locked), cannotWrite);
    EXPECT_EQ(result, Document::Cancelled) << "no overwrite question for a file that cannot be written";
    wxTEST_DIALOG(result = m_document->saveAs(locked), cannotWrite);
    EXPECT_EQ(result, Document::Cancelled);
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
        {
            WithoutPermissionOverride guard;
            ASSERT_TRUE(guard.usable());
            Document::ErrorCode result = Document::Success;
            wxTEST_DIALOG(result = m_document->save(name),
                          ExpectMessage("Cannot write to '" + name + "'.", wxID_OK, wxOK | wxCENTRE));
            EXPECT_EQ(result, Document::Cancelled) << "the check must look at the file that would be replaced";
        }
        std::filesystem::remove(onDisk);
        std::filesystem::remove(onDisk.string() + ".recovery");
        m_document->close();
        fillDatabase(L"level");
    }
}

} // namespace
