#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TDModule;

// The classifier's rows and the statements that change them, without any window. Every function
// throws DbError with the engine's text when a statement fails; a function that runs several
// statements runs them as one transaction.

struct ClassRow
{
    qint64 id = 0;
    QString name;
    QString code;
    qint64 link = 0;     // the parent's id, 0 for a top-level class
    double coeff = 0;    // 1 parent = coeff of this class; 0 = no ratio
};

// The direct children of a class, in the database's order, as the ratio window lists them.
struct ChildList
{
    QList<qint64> ids;
    QStringList names;
    double lastCoeff = 0;   // the ratio of the last child read; 0 when there is none
};

std::optional<ClassRow> ReadClass(TDModule &module, qint64 id);

// Class names are unique in the whole classifier: whether a class other than `except` has this name.
bool ClassNameTaken(TDModule &module, const QString &name, qint64 except = 0);

ChildList ReadChildren(TDModule &module, qint64 parent);

// The ratio box's name in messages, and the largest ratio either way.
inline const QString RatioFieldName = QStringLiteral("Количественное соотношение");
constexpr double RatioLimit = 1000000000.0;

// A ratio as the user typed it, with the interface's decimal sign or a point; throws DbError with a
// message naming the box when it is no number or beyond the limit.
double ParseRatio(const QString &text);

// A new class under `parent` (0 = top level, where the ratio is always 0). When `insertAbove` names a
// child of `parent`, that child with its subtree moves under the new class and its ratio is restated
// relative to it (b / ratio, or 0 when the new ratio is 0). Returns the new id.
qint64 AddClass(TDModule &module, const QString &name, const QString &code, qint64 parent, double ratio,
                qint64 insertAbove = 0);

// New name and code; the ratio stays.
void RenameClass(TDModule &module, qint64 id, const QString &name, const QString &code);

// New ratio, and new name and code unless `name` is empty.
void ChangeClass(TDModule &module, qint64 id, const QString &name, const QString &code, double ratio);

// Deletes the class and every class below it, at any depth.
void DeleteClassWithSubtree(TDModule &module, qint64 id);
// Whether objects are linked to the class or to a class below it.
bool SubtreeHasLinks(TDModule &module, qint64 id);

// "1 {parent} = {ratio} {class}", or an empty text when the class is top-level or uses no ratio.
QString RatioDescription(TDModule &module, qint64 id);
