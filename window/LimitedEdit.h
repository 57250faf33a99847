#pragma once
#include <QLineEdit>

// Lets the operator type at most maxChars characters into the edit. Unlike a maximum length, it
// never cuts a text that the program places (a value read from the unit may be longer), and it
// still lets the operator shorten such a text.
void LimitTyping(QLineEdit* edit, int maxChars);
