#include <wxUtils/PersistentSplitter.h>

#include <wx/splitter.h>

namespace wxUtils
{

namespace
{
// Settings hold no fractions: the share is kept in ten-thousandths.
const wxString s_shareKey = "SashShare";
constexpr double s_shareScale = 10000.0;
} // namespace

PersistentSplitter::PersistentSplitter(OrkSplitter* splitter) : wxPersistentWindow<OrkSplitter>(splitter)
{
}

void PersistentSplitter::Save() const
{
    const OrkSplitter* splitter = Get();
    // A splitter destroyed before it was ever laid out has no sash of its own.
    if (splitter->getSplitterWindow() && splitter->getSplitterWindow()->IsSplit() &&
        splitter->getSplitterWindow()->GetClientSize().GetHeight() > 0)
        SaveValue(s_shareKey, static_cast<int>(splitter->getSashRatio() * s_shareScale + 0.5));
}

bool PersistentSplitter::Restore()
{
    int share = 0;
    if (!RestoreValue(s_shareKey, &share) || share <= 0 || share >= s_shareScale)
        return false;
    Get()->setSashRatio(share / s_shareScale);
    return true;
}

wxString PersistentSplitter::GetKind() const
{
    return "OrkSplitter";
}

} // namespace wxUtils
