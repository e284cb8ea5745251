#pragma once
// Small file helpers shared by the data tests.
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <string>

#include "codec.h"

inline QByteArray readAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const std::string& path, const QByteArray& bytes) {
  QFile f(QString::fromStdString(path));
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

inline void makeReadOnly(const std::string& path) {
  QFile::setPermissions(QString::fromStdString(path), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
}

// Moves a file's modification time into the past, so a rewrite would show.
inline QDateTime ageFile(const std::string& path) {
  QFile f(QString::fromStdString(path));
  f.open(QIODevice::ReadWrite);
  f.setFileTime(QDateTime::currentDateTime().addDays(-3).addMSecs(-123), QFileDevice::FileModificationTime);
  f.close();
  return QFileInfo(f).lastModified();
}

// A record or table as the bytes it is stored as.
template <typename T>
QByteArray bytesOf(const T& value) {
  return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

inline QByteArray sjis(const char* utf8) {
  return QByteArray::fromStdString(plandor::utf8ToCp932(utf8));
}
