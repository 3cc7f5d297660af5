#pragma once

#include "platform/Platform.h"
#include "residuals/AppEvidence.h"
#include "residuals/NameMatcher.h"
#include "residuals/ResidualFindings.h"

namespace tarnwick::ResidualScanner {

// The home's hidden folders named after the application: its name or the first word of a name of several
// words, after the dot ("~/.skylume", "~/.android" for "Android Studio"). Proposed whole, for review, never
// preselected and never looked into: command-line tools often keep their settings in the same folder.
// Folders every program shares ("~/.config", "~/.ssh"...) and names of other installed applications are
// left alone.
void addHomeDotFolders(const Platform& platform, const NameMatcher& wide, const AppEvidence& evidence,
                       ResidualFindings& found);

// The folders of the user's Music and Movies folders named after the application or its developer
// (libraries of samples, presets, projects): the user's own work, proposed for review, never preselected.
void addUserContentFolders(const Platform& platform, const NameMatcher& wide, const AppEvidence& evidence,
                           ResidualFindings& found);

} // namespace tarnwick::ResidualScanner
