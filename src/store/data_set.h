#pragma once
// A data set as its readers see it, without Qt: an ordered list of fields and a record
// cursor. The worksheet writer reads the measurement table through it. Standard library
// only, so the writer that uses it stays free of Qt.
//
// Fields carry a position (Index), a display label and a visibility that readers may
// change; the changes last as long as the data set.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvatrix {

// The data layer's field kinds.
enum class FieldType {
  SmallInt,
  Integer,
  Word,
  AutoInc,
  LargeInt,
  Float,
  Currency,
  Bcd,
  String,
  Boolean,
  Date,
  Time,
  DateTime,
  Bytes,
  VarBytes,
  Blob,
  Memo,
  Graphic,
};

// Raised by the data layer: a field that does not exist, a value that cannot be converted.
class DataSetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DataSetField {
 public:
  virtual ~DataSetField() = default;

  virtual std::string FieldName() const = 0;
  // Position in the field list; setting it moves the field there and closes the gap.
  virtual int Index() const = 0;
  virtual void SetIndex(int index) = 0;
  virtual std::string DisplayLabel() const = 0;
  virtual void SetDisplayLabel(const std::string& label) = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual FieldType DataType() const = 0;
  // Blob fields and the kinds derived from them (memo, graphic).
  bool IsBlob() const {
    const FieldType type = DataType();
    return type == FieldType::Blob || type == FieldType::Memo || type == FieldType::Graphic;
  }

  // The value of the current record.
  virtual bool IsNull() const = 0;
  virtual std::int64_t AsInteger() const = 0;
  virtual double AsDouble() const = 0;
  virtual std::string AsString() const = 0;  // UTF-8
  virtual std::vector<std::uint8_t> AsBytes() const = 0;
};

class DataSet {
 public:
  using Bookmark = std::int64_t;

  virtual ~DataSet() = default;

  virtual bool IsEmpty() const = 0;
  virtual bool Active() const = 0;
  virtual int FieldCount() const = 0;
  virtual DataSetField& Field(int index) = 0;
  // Raises DataSetError when the data set has no field of that name.
  virtual DataSetField& FieldByName(const std::string& name) = 0;

  virtual void First() = 0;
  virtual void Next() = 0;
  virtual bool Eof() const = 0;
  virtual int RecNo() const = 0;  // 1-based
  virtual int RecordCount() const = 0;

  virtual Bookmark GetBookmark() const = 0;
  virtual bool BookmarkValid(Bookmark bookmark) const = 0;
  virtual void GotoBookmark(Bookmark bookmark) = 0;
  // While disabled, the views linked to the data set do not follow its cursor.
  virtual void DisableControls() = 0;
  virtual void EnableControls() = 0;
};

// Calls `each()` on every record of `data`, first to last, with the data set's linked views
// held still; afterwards the data set stands on the record it stood on before (when that
// record is still there), also when `each` raised.
template <typename Each>
void ForEachRecord(DataSet& data, Each each) {
  data.DisableControls();
  struct Restore {
    DataSet& data;
    DataSet::Bookmark saved;
    ~Restore() {
      try {
        if (data.BookmarkValid(saved)) data.GotoBookmark(saved);
      } catch (...) {
        // The position cannot be had back: the data set stays where the walk left it.
      }
      data.EnableControls();
    }
  } restore{data, data.GetBookmark()};
  for (data.First(); !data.Eof(); data.Next()) each();
}

}  // namespace kelvatrix
