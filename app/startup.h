#pragma once

// Start-up on an existing QApplication: the title, the data module, then Form1 to Form24, hidden.
void StartUp();
