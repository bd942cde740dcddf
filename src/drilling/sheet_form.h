#pragma once

#include "drilling/sheet_store.h"

#include <QMap>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vdn {

class ClickableLabel;
class ReadOnlyGuard;

// The controls of the drilling sheet panel Frame400, laid out at their places
// (twips to pixels), in their tab order, and the copying of a sheet between
// the controls and a SheetRecord. The widgets belong to the panel.
class SheetForm {
public:
    explicit SheetForm(QFrame* panel);

    // The numbered pick list of a field (8 .. 34, 36).
    QComboBox* combo(int number) const { return combos_.value(number); }
    QList<QComboBox*> combos(const QList<int>& numbers) const;

    // A new sheet: every numbered list and both comments empty, except the
    // thumb insert's colour, brand and shape (25, 26, 27), which keep what the
    // fill put in them; "Slug classique", "vinyl" and "Oui" selected.
    void clearForNewSheet();
    // Shows a stored sheet over the new-sheet state. An option letter other
    // than its two letters leaves the default selection.
    void show(const SheetRecord& sheet);
    // The sheet as the controls hold it. With "Slug classique" the thumb
    // insert size PER_21 is empty whatever its list shows.
    SheetRecord read(const QString& code) const;
    // Every text exactly as shown, PER_21 included: what show() puts back.
    SheetRecord shown(const QString& code) const;

    // Left off the printout, those of them shown now: the print button, the
    // validate button and its caption, and the version list with its caption
    // and button.
    QList<QWidget*> hiddenWhenPrinted() const;

    // The driller line without its date: "Perceur : " and the name.
    static QString drillerLine(const QString& driller);

    // The sheet's versions: the list ("Fiche actuelle" first), and the
    // button back to the current sheet, shown with the banner.
    QListWidget* versionList() const;
    QPushButton* currentSheetButton() const;
    // A shown version: nothing can be typed, chosen or validated.
    void setReadOnly(bool readOnly);
    // The banner naming the version shown, with the way back; an empty text
    // hides both.
    void showVersionBanner(const QString& text);
    // Marks every field of the shown sheet that differs from the version
    // before it: its colour, and a tooltip with the former value.
    void markChanges(const SheetRecord& shownSheet, const SheetRecord& before);
    void clearMarks();
    QString drillerLineText() const;
    // Draws the layout diagram into Image1 the first time the sheet is shown
    // or printed: drawing it as the customer window opens would slow the
    // opening down for a panel the user may never show.
    void drawDiagram();

    // The driller line with its date, and whose sheet it is.
    void setDrillerLine(const QString& text);
    void setCustomerName(const QString& name);
    // The name the sheet is headed with.
    QString customerName() const;
    // cmdvalide_fiche and cmdimp_fiche.
    QPushButton* validateButton() const { return cmdvalide_fiche; }
    ClickableLabel* printButton() const { return cmdimp_fiche; }

private:
    // Walks the layout table: every control at its place in twips.
    void build(QFrame* panel);
    // What the table cannot say: fonts, alignments, pictures.
    void finish();
    void setTabOrder();
    QComboBox* addCombo(int number, QWidget* parent, int left, int top, int width);
    template <class W> W* find(const char* name) const;

    QFrame* panel_;
    QLabel* Image1;
    QLabel* Label25;
    QLabel* Label44;
    QLabel* Label27;
    QPlainTextEdit* txtcomm_doigt;
    QPlainTextEdit* txtcomm_pouce;
    QRadioButton* Option5_0; // "Slug interchangeable"
    QRadioButton* Option5_1; // "Slug classique"
    QRadioButton* Option8_0; // "vinyl"
    QRadioButton* Option8_1; // "uréthane"
    QRadioButton* Option7_0; // "Oui"
    QRadioButton* Option7_1; // "Non"
    ClickableLabel* cmdimp_fiche;
    QPushButton* cmdvalide_fiche;
    QLabel* lblversion;
    QLabel* lblhistorique;
    QListWidget* lstversions;
    QPushButton* cmdfiche_actuelle;
    ReadOnlyGuard* guard_ = nullptr;
    QList<QWidget*> marked_;

    QMap<int, QComboBox*> combos_;
    QButtonGroup* option5_ = nullptr;
    QButtonGroup* option8_ = nullptr;
    QButtonGroup* option7_ = nullptr;
};

} // namespace vdn
