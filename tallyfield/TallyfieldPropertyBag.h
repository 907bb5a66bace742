// An ordered bag of named values, the store a form keeps a control's design-time properties in.
// Entries keep the order they were written in; a property is only written when its value differs
// from its default, so that a bag of a freshly placed control stays empty.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>
#include <vector>

class TallyfieldPropertyBag {
 public:
  // Stores inValue under inName unless it equals inDefault. A name written twice keeps its first
  // position and takes the new value.
  void WriteProperty(const QString& inName, const QVariant& inValue, const QVariant& inDefault);
  // The value stored under inName, or inDefault when the bag holds none.
  QVariant ReadProperty(const QString& inName, const QVariant& inDefault) const;

  bool Contains(const QString& inName) const;
  int Count() const { return static_cast<int>(mEntries.size()); }
  bool IsEmpty() const { return mEntries.empty(); }
  // The stored names in the order they were written.
  QStringList Names() const;
  void Clear() { mEntries.clear(); }

 private:
  std::vector<std::pair<QString, QVariant>> mEntries;
};
