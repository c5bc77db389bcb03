#pragma once

#include <QString>

// What the build says about this application: its names, version and web page,
// and where it is installed.
namespace AppInfo {

// The project version this binary was built from.
QString version();
// Names the application and organisation "Lumarel" and sets version().
void apply();

// The project's web page, and the label shown for it.
QString webUrl();
QString webLabel();

// The command a login session should start: the install's bin/lumarel link
// when it leads to this executable (it survives upgrades), otherwise this
// executable itself (a build tree).
QString launchPath();

} // namespace AppInfo
