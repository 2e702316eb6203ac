#pragma once

#include "data/recognition/AddressParser.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// "智能识别" of the recipient panel: the user pastes one recipient or several
// (separated by blank lines, or one a line). One recipient is handed back at once to fill
// the panel's boxes; several are shown in a review list, where the user can
// correct any cell, and handed back together by "全部添加". Fields the
// recogniser was unsure of are marked.
class RecipientPasteDialog : public QDialog
{
    Q_OBJECT
public:
    RecipientPasteDialog(const AddressParser& parser, QWidget* parent = nullptr);

    void setText(const QString& text);
    // The recipients as the user accepted them: review list cells included,
    // rows the user emptied left out.
    QList<ParsedRecipient> recipients() const;

    // Colour and hint of a field the user should check.
    static QColor unsureColor();
    static QString unsureHint();

public slots:
    // Recognises the pasted text: accepts the dialog for one recipient,
    // shows the review list for several.
    void recognise();

private:
    void showReview();
    // Widens the dialog (within the screen) for the review list's columns.
    void fitReview();

    const AddressParser& m_parser;
    QList<ParsedRecipient> m_found;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_note = nullptr;
    QTableWidget* m_review = nullptr;
    QPushButton* m_recognise = nullptr;
    QPushButton* m_addAll = nullptr;
};
