// Password boxes. Qt's line edit keeps what is typed in its text storage and,
// one record per character, in its undo history; either moves to a larger
// allocation as it grows, leaving the old one, with what it held, to the
// allocator. These calls set both aside once, large enough for a full box,
// and overwrite them where they lie before the box is emptied.
#pragma once

#include <QLineEdit>

namespace petitora {

// Call once on the empty box, after its validator is set and before the
// user types: limits it to maxLength characters and gives its text and its
// undo history room for that many, so that typing never moves them.
void PrepareSecretBox(QLineEdit* box, int maxLength);

// Overwrites the box's text storage (all of it, also what was typed and
// deleted) and its undo records with zeros and filler, then empties the box.
void WipeSecretBox(QLineEdit* box);

}  // namespace petitora
