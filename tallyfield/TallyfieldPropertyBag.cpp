#include "tallyfield/TallyfieldPropertyBag.h"

#include <algorithm>

void TallyfieldPropertyBag::WriteProperty(const QString& inName, const QVariant& inValue,
                                          const QVariant& inDefault) {
  auto theEntry = std::find_if(mEntries.begin(), mEntries.end(),
                               [&](const auto& inEntry) { return inEntry.first == inName; });
  if (inValue == inDefault) {
    if (theEntry != mEntries.end()) mEntries.erase(theEntry);
    return;
  }
  if (theEntry != mEntries.end())
    theEntry->second = inValue;
  else
    mEntries.emplace_back(inName, inValue);
}

QVariant TallyfieldPropertyBag::ReadProperty(const QString& inName, const QVariant& inDefault) const {
  auto theEntry = std::find_if(mEntries.begin(), mEntries.end(),
                               [&](const auto& inEntry) { return inEntry.first == inName; });
  return theEntry != mEntries.end() ? theEntry->second : inDefault;
}

bool TallyfieldPropertyBag::Contains(const QString& inName) const {
  return std::any_of(mEntries.begin(), mEntries.end(),
                     [&](const auto& inEntry) { return inEntry.first == inName; });
}

QStringList TallyfieldPropertyBag::Names() const {
  QStringList theNames;
  for (const auto& theEntry : mEntries) theNames << theEntry.first;
  return theNames;
}
