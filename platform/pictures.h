#pragma once

namespace tivolen {

// Decoding, scaling and writing pictures (owned by the rendering work; this
// declaration only lets the Platform aggregate name it).
class Pictures {
 public:
  virtual ~Pictures() = default;
};

}  // namespace tivolen
