#pragma once

#include "CiteApplication.h"
#include "DesktopFixtures.h"
#include "LocalCiteService.h"
#include "support/QtPrinters.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// What the end-to-end journeys share: the user's keys and clicks through xdotool, the
// real X clipboard through xclip, and what vorn-cite's panels show over AT-SPI.
namespace Journey {

// Generous, for the sanitizer build on a loaded machine; waits end once their condition holds.
inline constexpr int waitMs = 60000;

// Runs a program to its end; its standard output when it exited with status 0.
std::optional<QByteArray> run(const QString& program, const QStringList& arguments,
                              const QByteArray& input = {});

// Alt+Super+G as a user types it, into whatever window is active.
bool pressShortcut();

// The CLIPBOARD's content in this target (a MIME type or TARGETS), as another application reads it.
std::optional<QByteArray> clipboard(const QString& target);

// What a panel of the running instance shows: waits until an object so named is showing.
std::optional<DesktopFixtures::AccessibleNode> waitForShown(const CiteApplication& app, const QString& name,
                                                            const QString& role = {});
// The names of every object of the instance's showing windows, for failure messages.
std::string shownNames(const CiteApplication& app);

// The PMIDs of the reference cards the result panel shows, in the panel's order.
QStringList shownPMIDs(const CiteApplication& app);

} // namespace Journey
