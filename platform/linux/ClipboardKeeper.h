#pragma once

#include <QString>

// On X11 a clipboard lives only as long as the client that owns it. When the
// application ends while it owns the CLIPBOARD selection (the user's clipboard put
// back after a Copy capture, or a citation the user copied) and no clipboard manager
// is there to take it over, a keeper takes its place: this program started again
// with keeperArgument, fed the representations on its standard input, serves them
// until another client takes the clipboard, as the first owner would have.
namespace ClipboardKeeper {

inline constexpr char keeperArgument[] = "--keep-clipboard";

// Called once the application has stopped, with the QGuiApplication still there;
// true when a keeper was started.
bool handOverIfOwned(const QString& program);

// The keeper's whole life (its own QGuiApplication); the process's exit status.
int serve(int argc, char** argv);

} // namespace ClipboardKeeper
