#pragma once

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <string>

namespace velm {

class CatalogueDatabase;

// One column of a catalogue row.
class CatalogueField {
public:
    explicit CatalogueField(QVariant value) : value_(std::move(value)) {}
    bool IsNull() const { return value_.isNull(); }
    // ANSI text: bytes of a binary column unchanged, text columns converted
    // to the ANSI code page; "" for null.
    std::string AsString() const;
    // Raises DatabaseError for a value that is no integer; 0 for null.
    std::int64_t AsInteger() const;
    // 16-bit text (binary columns decoded from the ANSI code page).
    std::u16string AsUtf16() const;
    const QVariant& value() const { return value_; }

private:
    QVariant value_;
};

// What the catalogue's queries and tables share: the rows of one run of an
// SQL text, read forward, standing on a current row. Past the last row it
// still stands on that row (Eof true), as the callers rely on.
class CatalogueDataSet {
public:
    explicit CatalogueDataSet(CatalogueDatabase& database);
    virtual ~CatalogueDataSet();
    CatalogueDataSet(const CatalogueDataSet&) = delete;
    CatalogueDataSet& operator=(const CatalogueDataSet&) = delete;

    // Runs the data set's text (opening the connection when it is closed)
    // and stands on the first row.
    void Open();
    void Close();
    bool Active() const { return active_; }
    bool Eof() const { return eof_; }
    void Next();
    // Raises DatabaseError for a column the rows do not have.
    CatalogueField FieldByName(const std::string& name) const;

    const std::string& DatabaseName() const;
    CatalogueDatabase& Database() const;

protected:
    // The SQL to run and the values bound to its "?" markers.
    virtual QString statementText() const = 0;
    virtual QVariantList boundValues() const { return {}; }

private:
    friend class CatalogueDatabase;
    QSqlError run();
    bool fetch();

    CatalogueDatabase* database_;
    std::unique_ptr<QSqlQuery> query_;
    QSqlRecord current_;
    bool active_ = false;
    bool eof_ = true;
};

}  // namespace velm
