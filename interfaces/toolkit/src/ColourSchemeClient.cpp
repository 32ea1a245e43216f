#include <wxUtils/ColourSchemeClient.h>

#include <Tarn/Tarn.h>

namespace wxUtils
{

// Added deferred and removed immediately, so that a client created or
// destroyed while the scheme is being broadcast is handled safely.
ColourSchemeClient::ColourSchemeClient()
{
    gTarn.getColourManager().addClient(this);
}

ColourSchemeClient::ColourSchemeClient(const ColourSchemeClient&) : ColourSchemeClient()
{
}

ColourSchemeClient::~ColourSchemeClient()
{
    gTarn.getColourManager().removeClient(this);
}

} // namespace wxUtils
