#pragma once

#include "drilling/sheet_store.h"

#include <QMap>

class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vdn {

class ClickableLabel;
class GuideLine;

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

    // The diagram.
    QFrame* Frame24;
    QLabel* Image1;
    QLabel* Label40;
    QLabel* Label25;
    GuideLine* Line1;
    GuideLine* Line2;
    GuideLine* Line3;
    GuideLine* Line4;
    QLabel* Label24;
    QLabel* Label23;
    // Finger inserts.
    QGroupBox* Frame11;
    QLabel* Label33;
    QLabel* Label35;
    QLabel* Label34;
    QLabel* Label28;
    QPlainTextEdit* txtcomm_doigt;
    // Thumb insert.
    QGroupBox* Frame12;
    QLabel* Label36;
    QLabel* Label37;
    QLabel* Label38;
    QLabel* Label41;
    QLabel* Label29;
    QPlainTextEdit* txtcomm_pouce;
    QRadioButton* Option5_0; // "Slug interchangeable"
    QRadioButton* Option5_1; // "Slug classique"
    QFrame* Frame13;
    QRadioButton* Option8_0; // "vinyl"
    QRadioButton* Option8_1; // "uréthane"
    // Ovalisation, conicity, PAP.
    QFrame* Frame10;
    QGroupBox* Frame15;
    QLabel* Label42;
    QLabel* Label46;
    QGroupBox* Frame16;
    QRadioButton* Option7_0; // "Oui"
    QRadioButton* Option7_1; // "Non"
    QLabel* Label30;
    // Driller line, print and validation.
    QLabel* Label44;
    ClickableLabel* cmdimp_fiche;
    QPushButton* cmdvalide_fiche;
    QLabel* Label27;

    // The print button, the validate button and its caption, left off the printout.
    QList<QWidget*> hiddenWhenPrinted() const;

    // The initial caption of the driller line, before the panel is opened.
    static QString drillerLine();
    // Draws the layout diagram into Image1 the first time the sheet is shown
    // or printed: drawing it as the customer window opens would slow the
    // opening down for a panel the user may never show.
    void drawDiagram();

private:
    void buildDiagram(QFrame* panel);
    void buildInserts(QFrame* panel);
    void buildOvalisation(QFrame* panel);
    void buildCommands(QFrame* panel);
    void setTabOrder();
    QComboBox* addCombo(int number, QWidget* parent, int left, int top, int width);

    QMap<int, QComboBox*> combos_;
    QButtonGroup* option5_;
    QButtonGroup* option8_;
    QButtonGroup* option7_;
};

} // namespace vdn
