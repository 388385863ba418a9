#include "ui/web/page_assets.h"

#include <sodium.h>

#include <array>
#include <initializer_list>

namespace fesk::web {

namespace {

struct AssetKind {
  std::string_view name, extension;
  const char* type;
  std::initializer_list<std::string_view> files;  // joined in this order
};
// The page's scripts in the order the page runs them (sign_in.js, last,
// begins the program's page or takes the sign-in over), and its style sheet.
const std::array kAssetKinds{
    AssetKind{"page", "js", "text/javascript", {"windows", "dialogs", "screen", "app", "sign_in"}},
    AssetKind{"style", "css", "text/css", {"style"}},
};

// Enough of a digest of `text` that two texts a program serves never share it.
std::string digest(const QByteArray& text) {
  std::array<unsigned char, crypto_generichash_BYTES_MIN> hash{};
  crypto_generichash(hash.data(), hash.size(),
                     reinterpret_cast<const unsigned char*>(text.constData()),
                     static_cast<unsigned long long>(text.size()), nullptr, 0);
  return QByteArray(reinterpret_cast<const char*>(hash.data()), 8).toHex().toStdString();
}

}  // namespace

PageAssets::PageAssets(const std::vector<PageFile>& files) {
  for (const AssetKind& kind : kAssetKinds) {
    QByteArray text;
    for (std::string_view name : kind.files) {
      const std::string_view part = fileNamed(files, name);
      text.append(part.data(), static_cast<qsizetype>(part.size()));
      if (!text.endsWith('\n')) text.append('\n');
    }
    const std::string name(kind.name), extension(kind.extension);
    assets_.push_back({"/" + name + "." + extension,
                       "/" + name + "." + digest(text) + "." + extension, QByteArray(kind.type),
                       text});
  }
}

QByteArray PageAssets::linked(std::string_view html) const {
  QByteArray page(html.data(), static_cast<qsizetype>(html.size()));
  for (const PageAsset& asset : assets_)
    page.replace(QByteArray::fromStdString('"' + asset.plainPath + '"'),
                 QByteArray::fromStdString('"' + asset.servedPath + '"'));
  return page;
}

}  // namespace fesk::web
