#include <dbui/FileSystemName.h>

#include <wx/strconv.h>

namespace dbui
{

std::string toFileSystemName(const wxString& fileName)
{
    const wxScopedCharBuffer bytes = fileName.mb_str(*wxConvFileName);
    return bytes.data() ? std::string(bytes.data(), bytes.length()) : std::string();
}

wxString fromFileSystemName(const std::string& bytes)
{
    return wxString(bytes.data(), *wxConvFileName, bytes.size());
}

} // namespace dbui
