#pragma once

// The program's windows: created once at start-up, hidden, in number order, and reused for the whole run.
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TForm15;
class TForm16;
class TForm17;
class TForm18;
class TForm19;
class TForm20;
class TForm21;
class TForm22;
class TForm23;
class TForm24;

extern TForm1 *Form1;
extern TForm2 *Form2;
extern TForm3 *Form3;
extern TForm4 *Form4;
extern TForm5 *Form5;
extern TForm6 *Form6;
extern TForm7 *Form7;
extern TForm8 *Form8;
extern TForm9 *Form9;
extern TForm10 *Form10;
extern TForm11 *Form11;
extern TForm12 *Form12;
extern TForm13 *Form13;
extern TForm14 *Form14;
extern TForm15 *Form15;
extern TForm16 *Form16;
extern TForm17 *Form17;
extern TForm18 *Form18;
extern TForm19 *Form19;
extern TForm20 *Form20;
extern TForm21 *Form21;
extern TForm22 *Form22;
extern TForm23 *Form23;
extern TForm24 *Form24;

class QWidget;
// Centres a window on the screen that shows it.
void CentreOnScreen(QWidget *window);
// Brings a window up for the user: centred on the screen in use, shown, raised and made active.
void ShowCentred(QWidget *window);
// After the display format of reference items changed: every visible tree is read again from the top.
void RebuildTreesAfterDisplayFormatChange();
