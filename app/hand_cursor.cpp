// hand_cursor.cpp: the cursor file's directory (type 2, hotspot in the first entry) and its image.
// Layout: 6-byte header {0, 2, count}, then 16-byte entries {w, h, colours, 0, hotX, hotY, size,
// offset}, all little-endian. The image is a PNG or a DIB, which Qt's "cur" reader decodes.
#include "app/hand_cursor.h"

#include <QFile>
#include <QImage>
#include <QPixmap>

#include "app/app_folder.h"
#include "app/error_codes.h"
#include "db/file_exists.h"

namespace app {
namespace {

constexpr int kHeaderSize = 6;
constexpr int kEntrySize = 16;

int u16(const QByteArray& b, int at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

jet::Error broken(const QString& path, const std::string& why) {
  return jet::Error{err::kCursorUnreadable,
                    "The pointer image " + path.toStdString() + " cannot be read: " + why};
}

bool present(const QString& path) { return db::fileExists(QFile::encodeName(path).toStdString()); }

}  // namespace

jet::Result<QCursor> cursorFromBytes(const QByteArray& bytes, const QString& path) {
  if (bytes.size() < kHeaderSize + kEntrySize) return broken(path, "the file is too short");
  if (u16(bytes, 0) != 0 || u16(bytes, 2) != 2 || u16(bytes, 4) < 1) {
    return broken(path, "it is not a cursor file");
  }
  const int hotX = u16(bytes, kHeaderSize + 4);
  const int hotY = u16(bytes, kHeaderSize + 6);
  QImage image = QImage::fromData(bytes, "CUR");
  if (image.isNull()) return broken(path, "its image cannot be decoded");
  if (hotX >= image.width() || hotY >= image.height()) {
    return broken(path, "its hotspot lies outside the image");
  }
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

jet::Result<std::optional<QCursor>> loadHandCursor(const QString& appFolder) {
  const QString path = handCursorPath(appFolder);
  if (!present(path)) return std::optional<QCursor>();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return broken(path, file.errorString().toStdString());
  JET_ASSIGN_OR_RETURN(QCursor cursor, cursorFromBytes(file.readAll(), path));
  return std::optional<QCursor>(cursor);
}

void installHandCursor(db::HandlerTrap& trap, int testLine, int loadLine, const QString& appFolder,
                       WindowPointer& pointer) {
  if (trap.test(testLine, [&] { return present(handCursorPath(appFolder)); })) {
    if (auto cursor = trap.step(loadLine, [&] { return loadHandCursor(appFolder); })) {
      pointer.setCustomImage(*cursor);
    }
  }
}

}  // namespace app
