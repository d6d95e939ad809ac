// SPDX-License-Identifier: GPL-3.0-or-later
// The UTF-8 check that decides whether a list or log is read as UTF-8 or
// in the system's code page, judged against Qt's own UTF-8 decoder: what
// it decodes without error survives a round trip unchanged, and is exactly
// what the check accepts. A leading byte-order mark counts as text.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const QByteArray raw(bytes.data(), static_cast<qsizetype>(size));
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(raw);
  const bool valid = !decoder.hasError();
  if (valid && text.toUtf8() != raw) std::abort();
  if (tivolen::IsValidUtf8(bytes) != valid) std::abort();
  return 0;
}
