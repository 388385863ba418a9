#include "runtime/files/key_serving_order.h"

#include <vector>

namespace apprt {

int keyServingOrder(const FileDeclaration& file, const ReadOrder& order) {
  if (order.key >= 0) return order.key;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    const std::vector<int>& fields = file.key(static_cast<int>(key)).fields;
    if (!order.fields.empty() && fields == order.fields) return static_cast<int>(key);
  }
  return -1;
}

}  // namespace apprt
