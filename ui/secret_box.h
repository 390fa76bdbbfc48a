// Boxes that hold secrets: the password boxes and the revocation key's box.
// Qt's line edit keeps what is typed in its text storage, one record per
// character in its undo history, and a copy in the text it lays out for
// display; the first two move to a larger allocation as they grow, and the
// displayed copy is made anew on every change, each time leaving the old
// allocation, with what it held, to the allocator. These calls set the first
// two aside once, large enough for a full box, keep every displayed copy
// until the box has replaced it and then overwrite it, and overwrite all of
// them where they lie before the box is emptied.
#pragma once

#include <QLineEdit>
#include <string>
#include <string_view>

namespace petitora {

// Call once on the empty box, after its validator is set and before the
// user types: limits it to maxLength characters and gives its text and its
// undo history room for that many, so that typing never moves them.
void PrepareSecretBox(QLineEdit* box, int maxLength);

// Overwrites the box's text storage (all of it, also what was typed and
// deleted), its displayed copy and its undo records with zeros and filler,
// then empties the box.
void WipeSecretBox(QLineEdit* box);

// Replaces what a prepared box holds with Windows-1252 text, the old text
// overwritten first and no other copy made.
void SetSecretBoxText(QLineEdit* box, std::string_view cp1252);

// The box's text as Windows-1252 bytes into a record field whose storage was
// reserved for the box's maximum: written where it lies, never moved (empty
// when a character has no byte, which the boxes' validators prevent).
void ReadSecretBox(const QLineEdit* box, std::string& into);

// True when the box shows exactly this Windows-1252 text (compared in place).
bool SecretBoxShows(const QLineEdit* box, std::string_view cp1252);

}  // namespace petitora
