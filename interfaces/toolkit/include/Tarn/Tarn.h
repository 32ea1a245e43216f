#pragma once

#include <wxUtils/Export.h>

#include <Tarn/ColourManager.h>
#include <Tarn/EnvData.h>
#include <Tarn/ErrorLog.h>

namespace Tarn
{

/// The application core: one instance, gTarn, lives for the whole program.
/// The error reporter comes first so that it is built before, and destroyed
/// after, everything that might report to it.
class DBUI_TOOLKIT_EXPORT AppCore
{
public:
    ///@{
    /// The application core's error reporter: the document's observer list reports to it.
    ErrorLog m_errorReporter;
    ErrorLog* getErrorReporter() { return &m_errorReporter; }
    ///@}
    ///@{
    /// Facts about the host application: its display name.
    EnvData m_envData;
    EnvData& getEnvData() { return m_envData; }
    ///@}
    ///@{
    /// The colour scheme every window draws with.
    ColourManager m_colourManager;
    ColourManager& getColourManager() { return m_colourManager; }
    ///@}
};

} // namespace Tarn

extern DBUI_TOOLKIT_EXPORT Tarn::AppCore gTarn;
