#pragma once

#include "exchange/OrderImporter.h"
#include "exchange/OrderMapping.h"

#include <QDialog>
#include <QVector>

#include <memory>

class AddressParser;
class OrderFile;
class OrderReviewTable;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTableWidget;

// "导入订单…": a platform's order export (CSV, .xlsx, .xls) into the
// recipients or the Excel list. First the file and its columns: each file
// column has a list of where it goes (proposed from the headers, or as the
// user last chose for this set of headers) and the first rows show mapped
// as they would be stored. Then the rows that need a look, editable, with
// what the import will do; "导入" stores them all or none and says
// "导入 N 条，跳过 M 条重复，K 条需核对". Reading, recognising and storing
// run on a thread of their own with progress and 取消.
class OrderImportDialog : public QDialog
{
    Q_OBJECT
public:
    // storeLocation: the address book, a file's path or a server's URI.
    OrderImportDialog(const QString& storeLocation, const AddressParser& parser, QWidget* parent = nullptr);
    ~OrderImportDialog() override;

    // Reads the file and proposes its mapping; a failure is shown.
    bool openFile(const QString& path);

    OrderImporter::Destination destination() const;
    // What the import did, once "导入" succeeded.
    const OrderImporter::Result& result() const { return m_result; }

    QComboBox* fieldBox(int column) const { return m_boxes.value(column); }
    QTableWidget* previewTable() const { return m_preview; }
    OrderReviewTable* reviewTable() const { return m_review; }
    QComboBox* destinationBox() const { return m_destination; }
    QComboBox* duplicatesBox() const { return m_duplicates; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* importButton() const { return m_import; }
    const OrderMapping& mapping() const { return m_mapping; }

public slots:
    void chooseFile();
    // "下一步": every row mapped and recognised, the review shown.
    void showReview();
    void importRows();

private:
    void buildMappingPage(QWidget* page);
    void buildReviewPage(QWidget* page);
    void fillMapping();
    void updatePreview();
    void updateReviewNote();

    QString m_location;
    const AddressParser& m_parser;
    std::unique_ptr<OrderFile> m_file;
    OrderMapping m_mapping;
    OrderPlan m_plan;
    OrderImporter::Result m_result;

    QStackedWidget* m_pages = nullptr;
    QLineEdit* m_path = nullptr;
    QLabel* m_fileNote = nullptr;
    QTableWidget* m_columns = nullptr;
    QVector<QComboBox*> m_boxes;
    QTableWidget* m_preview = nullptr;
    QComboBox* m_destination = nullptr;
    QComboBox* m_duplicates = nullptr;
    QPushButton* m_next = nullptr;
    QLabel* m_reviewNote = nullptr;
    OrderReviewTable* m_review = nullptr;
    QPushButton* m_import = nullptr;
};
