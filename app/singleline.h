#pragma once

class QLineEdit;

// A one-line box whose text is written as one line of a text file (a password, a template or catalog
// name): line breaks that arrive by pasting or by a program are removed as they come.
void KeepSingleLine(QLineEdit *edit);
