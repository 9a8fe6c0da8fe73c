#include "test_data_source.h"

namespace kelvatrix::test {

std::vector<std::vector<QVariant>> TestDataSource::Query(const QString& sql) const {
  std::vector<std::vector<QVariant>> rows;
  for (const std::vector<OdbcText>& row : source_.Query(sql.toStdString())) {
    std::vector<QVariant> values;
    for (const OdbcText& value : row) values.push_back(value ? QVariant(QString::fromStdString(*value)) : QVariant());
    rows.push_back(std::move(values));
  }
  return rows;
}

}  // namespace kelvatrix::test
