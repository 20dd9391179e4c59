#pragma once

#include <QString>

// How each command is typed, stated once: the tool's usage, each command's help and the man
// page (generated from its template at build time) take them from here.
namespace cli {

// The synopsis of "program" (the whole line, before the command) or of a command ("site add",
// "backup", ...); empty for a key there is none of.
QString synopsis(const QString& key);

// The synopsis in troff: what the user fills in (words in capitals) in italics, the words typed
// as they stand in bold, brackets, bars and dots plain.
QString troffSynopsis(const QString& text);

// text with every @KEY@ replaced by that synopsis (troff: in its troff form). A key there is no
// synopsis of is left as it stands.
QString withSynopses(const QString& text, bool troff);

} // namespace cli
