#include "app/singleline.h"

#include <QLineEdit>
#include <QRegularExpression>

void KeepSingleLine(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString &text) {
        static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}\\v\\f]"));
        if (!text.contains(lineBreaks))
            return;
        const int cursor = edit->cursorPosition();
        QString single = text;
        single.remove(lineBreaks);
        edit->setText(single);
        edit->setCursorPosition(qMin(cursor, int(single.size())));
    });
}
