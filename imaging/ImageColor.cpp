// Colour reduction: grey conversion, depth changes, an octree quantiser with
// pruning thresholds, error diffusion along a Hilbert curve and an ordered
// black-and-white dither.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "Image.h"

using namespace imaging;

namespace {

int GreyOf(int red, int green, int blue) { return (299 * red + 587 * green + 114 * blue) / 1000; }

int DepthOfType(int type) {
  switch (type) {
    case 0: return 24;
    case 1:
    case 3: return 8;
    case 2:
    case 4: return 4;
    case 5: return 1;
    default: return 0;
  }
}

constexpr int kMaxNodes = 266817;

struct Node {
  double red = 0, green = 0, blue = 0, error = 0;
  int count = 0, index = -1;
  uint8_t octant = 0, level = 0, mask = 0;
  int parent = -1;
  int child[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
  bool alive = true;
};

struct Octree {
  std::vector<Node> nodes;
  int nodeCount = 0, leaves = 0, depth = 0;
  double threshold = 0, nextThreshold = 0;
  std::vector<uint8_t> palette;  // red, green, blue per index
  int colors = 0;

  int NewNode(int parent, int octant, int level) {
    if (nodes.size() % 2048 == 0) nodes.reserve(nodes.size() + 2048);
    Node n;
    n.parent = parent;
    n.octant = static_cast<uint8_t>(octant);
    n.level = static_cast<uint8_t>(level);
    nodes.push_back(n);
    ++nodeCount;
    if (level == depth) ++leaves;
    return static_cast<int>(nodes.size() - 1);
  }

  // Folds a node (and what is left below it) into its parent.
  void Fold(int i) {
    Node& n = nodes[i];
    for (int c = 0; c < 8; ++c)
      if (n.mask & (1 << c)) Fold(n.child[c]);
    Node& p = nodes[n.parent];
    p.red += n.red, p.green += n.green, p.blue += n.blue;
    p.count += n.count;
    p.mask = static_cast<uint8_t>(p.mask & ~(1 << n.octant));
    p.child[n.octant] = -1;
    n.alive = false;
    --nodeCount;
  }

  void PruneLevel(int i, int level) {
    Node& n = nodes[i];
    for (int c = 0; c < 8; ++c)
      if (n.mask & (1 << c)) PruneLevel(n.child[c], level);
    if (nodes[i].level == level && nodes[i].parent >= 0) Fold(i);
  }

  void Classify(int red, int green, int blue) {
    int at = 0;
    double cr = 127.5, cg = 127.5, cb = 127.5, half = 64.0;
    for (int level = 1; level <= depth; ++level) {
      const int shift = 8 - level;
      const int id = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
      cr += (id & 4) ? half : -half;
      cg += (id & 2) ? half : -half;
      cb += (id & 1) ? half : -half;
      half /= 2;
      if (!(nodes[at].mask & (1 << id))) {
        const int made = NewNode(at, id, level);
        nodes[at].child[id] = made;
        nodes[at].mask = static_cast<uint8_t>(nodes[at].mask | (1 << id));
      }
      at = nodes[at].child[id];
      if (level < 8) {
        const double dr = red - cr, dg = green - cg, db = blue - cb;
        nodes[at].error += dr * dr + dg * dg + db * db;
      }
    }
    Node& n = nodes[at];
    n.red += red, n.green += green, n.blue += blue;
    ++n.count;
  }

  void ReduceOnce(int i) {
    for (int c = 0; c < 8; ++c)
      if (nodes[i].mask & (1 << c)) ReduceOnce(nodes[i].child[c]);
    Node& n = nodes[i];
    if (n.parent >= 0 && n.error <= threshold) {
      Fold(i);
      return;
    }
    if (n.count > 0) ++leaves;
    if (n.error > threshold && n.error < nextThreshold) nextThreshold = n.error;
  }

  void Reduce(int n) {
    while (leaves > n) {
      threshold = nextThreshold;
      nextThreshold = nodes[0].error;
      leaves = 0;
      ReduceOnce(0);
      if (nextThreshold <= threshold) nextThreshold = threshold + 1;  // never stall
    }
  }

  void AssignPalette(int i) {
    for (int c = 0; c < 8; ++c)
      if (nodes[i].mask & (1 << c)) AssignPalette(nodes[i].child[c]);
    Node& n = nodes[i];
    if (n.count > 0 && colors < 256) {
      n.index = colors++;
      palette.push_back(static_cast<uint8_t>((n.red + n.count / 2) / n.count));
      palette.push_back(static_cast<uint8_t>((n.green + n.count / 2) / n.count));
      palette.push_back(static_cast<uint8_t>((n.blue + n.count / 2) / n.count));
    }
  }

  void Nearest(int i, int red, int green, int blue, int& best, int& bestDistance) const {
    if (bestDistance == 0) return;
    const Node& n = nodes[i];
    for (int c = 0; c < 8; ++c)
      if (n.mask & (1 << c)) Nearest(n.child[c], red, green, blue, best, bestDistance);
    if (n.index >= 0) {
      const int dr = red - palette[3 * n.index], dg = green - palette[3 * n.index + 1],
                db = blue - palette[3 * n.index + 2];
      const int d = dr * dr + dg * dg + db * db;
      if (d < bestDistance) {
        bestDistance = d;
        best = n.index;
      }
    }
  }

  int Find(int red, int green, int blue) const {
    int at = 0;
    for (int level = 1; level <= 7; ++level) {
      const int shift = 8 - level;
      const int id = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
      if (!(nodes[at].mask & (1 << id))) break;
      at = nodes[at].child[id];
    }
    const int from = nodes[at].parent >= 0 ? nodes[at].parent : 0;
    int best = 0, bestDistance = 196608;
    Nearest(from, red, green, blue, best, bestDistance);
    if (bestDistance == 196608) Nearest(0, red, green, blue, best, bestDistance);
    return best;
  }
};

const uint8_t kOrderedDither[8][8] = {
    {0, 192, 48, 240, 12, 204, 60, 252},   {128, 64, 176, 112, 140, 76, 188, 124},
    {32, 224, 16, 208, 44, 236, 28, 220},  {160, 96, 144, 80, 172, 108, 156, 92},
    {8, 200, 56, 248, 4, 196, 52, 244},    {136, 72, 184, 120, 132, 68, 180, 116},
    {40, 232, 24, 216, 36, 228, 20, 212},  {168, 104, 152, 88, 164, 100, 148, 84}};

}  // namespace

bool CImage::ConvertToGrey() {
  if (m_dib.empty()) return false;
  const int bits = GetBitCount();
  if (bits == 24) {
    const size_t stride = static_cast<size_t>(GetStride());
    uint8_t* px = GetBits();
    for (int y = 0; y < GetHeight(); ++y)
      for (int x = 0; x < GetWidth(); ++x) {
        uint8_t* p = px + y * stride + 3 * x;
        const uint8_t g = static_cast<uint8_t>(GreyOf(p[2], p[1], p[0]));
        p[0] = p[1] = p[2] = g;
      }
    uint32_t t;
    if (GetTransparentColor(t)) {
      const int g = GreyOf(t & 255, (t >> 8) & 255, (t >> 16) & 255);
      SetTransparentColor(static_cast<uint32_t>((g << 16) | (g << 8) | g), true);
    }
    return true;
  }
  if (bits > 8) return false;
  uint8_t* pal = m_dib.data() + 40;
  for (int i = 0; i < GetPaletteEntries(); ++i) {
    const uint8_t g = static_cast<uint8_t>(GreyOf(pal[4 * i + 2], pal[4 * i + 1], pal[4 * i]));
    pal[4 * i] = pal[4 * i + 1] = pal[4 * i + 2] = g;
  }
  return true;
}

bool CImage::ChangeBitDepth(int type) {
  if (m_dib.empty()) return false;
  const int depth = DepthOfType(type), oldBits = GetBitCount();
  if (!depth || oldBits > 8) return false;
  const int entries = depth == 24 ? 0 : 1 << depth, oldEntries = GetPaletteEntries();
  std::vector<uint8_t> dib = NewDib(GetWidth(), GetHeight(), depth, entries, GetXResolution(), GetYResolution());
  if (dib.empty()) return false;
  const uint8_t* oldPal = GetPalette();
  std::memcpy(dib.data() + 40, oldPal, 4 * static_cast<size_t>(std::min(entries, oldEntries)));
  CImage out;
  out.m_dib = std::move(dib);
  for (int y = 0; y < GetHeight(); ++y)
    for (int x = 0; x < GetWidth(); ++x) {
      const int v = GetPixel(y, nullptr, x);
      if (depth == 24) {
        const uint8_t* c = v < oldEntries ? oldPal + 4 * v : nullptr;
        out.SetPixel(y, nullptr, x, c ? (c[0] << 16) | (c[1] << 8) | c[2] : 0);
      } else {
        out.SetPixel(y, nullptr, x, v);
      }
    }
  uint32_t t;
  if (depth == 24 && GetTransparentColor(t)) {
    if (static_cast<int>(t) < oldEntries) {
      const uint8_t* c = oldPal + 4 * t;
      SetTransparentColor(static_cast<uint32_t>((c[0] << 16) | (c[1] << 8) | c[2]), true);
    } else {
      SetTransparentColor(0, false);
    }
  }
  m_dib = std::move(out.m_dib);
  return true;
}

bool CImage::QuantizeColors(int colors, bool dither) {
  if (m_dib.empty() || GetBitCount() != 24) return false;
  const int width = GetWidth(), height = GetHeight();
  const size_t stride = static_cast<size_t>(GetStride());
  const uint8_t* px = GetBits();
  if (colors == 2) {
    if (!ConvertToGrey()) return false;
    std::vector<uint8_t> dib = NewDib(width, height, 1, 2, GetXResolution(), GetYResolution());
    if (dib.empty()) return false;
    Put32(dib.data() + 36, 2);
    std::memset(dib.data() + 44, 255, 3);
    uint8_t* out = dib.data() + 48;
    const size_t outStride = StrideOf(1, width);
    px = GetBits();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int g = px[y * stride + 3 * x];
        const bool white = dither ? g > kOrderedDither[y & 7][x & 7] : g >= 128;
        if (white) out[y * outStride + (x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    m_dib = std::move(dib);
    return true;
  }
  if (colors != 256 && colors != 16) return false;
  Octree tree;
  int digits = 0;
  for (int v = colors; v; v >>= 2) ++digits;
  tree.depth = std::clamp(1 + digits - (dither ? 1 : 0), 2, 8);
  tree.nodes.reserve(2048);
  tree.nodes.push_back(Node{});
  tree.nodeCount = 1;
  tree.nodes[0].error = width * 48768.75;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (tree.nodeCount > kMaxNodes) {
        tree.PruneLevel(0, tree.depth);
        --tree.depth;
        tree.leaves = 0;
        for (const Node& n : tree.nodes)
          if (n.alive && n.level == tree.depth) ++tree.leaves;
      }
      const uint8_t* p = px + y * stride + 3 * x;
      tree.Classify(p[2], p[1], p[0]);
    }
  const int leavesAfterClassification = tree.leaves;
  tree.Reduce(colors);
  tree.AssignPalette(0);
  const int depth = colors == 256 ? 8 : 4;
  std::vector<uint8_t> dib = NewDib(width, height, depth, colors, GetXResolution(), GetYResolution());
  if (dib.empty()) return false;
  Put32(dib.data() + 36, static_cast<uint32_t>(colors));
  for (int i = 0; i < tree.colors; ++i) {
    dib[40 + 4 * i] = tree.palette[3 * i + 2];
    dib[41 + 4 * i] = tree.palette[3 * i + 1];
    dib[42 + 4 * i] = tree.palette[3 * i];
  }
  CImage out;
  out.m_dib = std::move(dib);
  if (!dither || leavesAfterClassification < 2 * colors) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = px + y * stride + 3 * x;
        out.SetPixel(y, nullptr, x, tree.Find(p[2], p[1], p[0]));
      }
  } else {
    // Error diffusion along a Hilbert curve with 16 weighted queued errors.
    double weights[16], sum = 0;
    const double ratio = std::pow(256.0, 1.0 / 15.0);
    for (int i = 0; i < 16; ++i) sum += weights[i] = std::pow(ratio, i - 15);
    for (double& w : weights) w /= sum;
    std::vector<int> cache(1 << 18, -1);
    int errors[16][3] = {};
    int order = 0;
    for (int m = std::max(width, height); m; m >>= 1) ++order;
    HilbertWalk(order, [&](int x, int y) {
      if (x < 0 || y < 0 || x >= width || y >= height) return;
      const uint8_t* p = px + y * stride + 3 * x;
      int c[3] = {p[2], p[1], p[0]};
      for (int k = 0; k < 3; ++k) {
        double e = 0;
        for (int i = 0; i < 16; ++i) e += weights[i] * errors[i][k];
        c[k] = std::clamp(c[k] + static_cast<int>(e), 0, 255);
      }
      const int key = ((c[0] >> 2) << 12) | ((c[1] >> 2) << 6) | (c[2] >> 2);
      if (cache[key] < 0) cache[key] = tree.Find(c[0], c[1], c[2]);
      const int index = cache[key];
      out.SetPixel(y, nullptr, x, index);
      std::memmove(errors[0], errors[1], sizeof(int) * 3 * 15);
      for (int k = 0; k < 3; ++k) errors[15][k] = c[k] - tree.palette[3 * index + k];
    });
  }
  m_dib = std::move(out.m_dib);
  return true;
}

bool CImage::WidenToTrueColor() {
  const int bits = GetBitCount();
  const int width = GetWidth(), height = GetHeight();
  std::vector<uint8_t> dib = NewDib(width, height, 24, 0, GetXResolution(), GetYResolution());
  if (dib.empty()) return false;
  const size_t inStride = static_cast<size_t>(GetStride()), outStride = StrideOf(24, width);
  const uint8_t* in = GetBits();
  uint8_t* out = dib.data() + 40;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* o = out + y * outStride + 3 * x;
      if (bits == 32) {
        std::memcpy(o, in + y * inStride + 4 * x, 3);
      } else {
        const int v = Get16(in + y * inStride + 2 * x);
        for (int k = 0; k < 3; ++k) o[k] = static_cast<uint8_t>(((v >> (5 * k)) & 31) * 8.2258 + 0.5);
      }
    }
  m_dib = std::move(dib);
  m_transparentColor = 0;
  m_colorType = kColor24Bit;
  return true;
}

bool CImage::SetColorType(int type, bool dither) {
  if (m_dib.empty() || type < 0 || type > 5) return false;
  const int bits = GetBitCount();
  if ((bits == 16 || bits == 32) && !WidenToTrueColor()) return false;
  if (m_colorType == type) return true;
  int current = m_colorType;
  if (current == kColorNone) current = ColorTypeFromBitCount(GetBitCount());
  if (current == kColorNone) return false;

  // The first pixel holding the transparent colour, to follow it through a
  // quantising step.
  int tRow = -1, tColumn = -1;
  uint32_t t;
  if (GetTransparentColor(t)) {
    for (int y = 0; y < GetHeight() && tRow < 0; ++y)
      for (int x = 0; x < GetWidth(); ++x)
        if (static_cast<uint32_t>(GetPixel(y, nullptr, x)) == t) {
          tRow = y, tColumn = x;
          break;
        }
  }
  bool quantised = false;
  auto quantise = [&](int n) {
    quantised = true;
    return QuantizeColors(n, dither);
  };
  auto toBlackAndWhite = [&] {
    const bool ok = ChangeBitDepth(0) && quantise(2);
    SetTransparentColor(0, false);
    return ok;
  };
  bool ok = false;
  switch (current) {
    case 0:
      switch (type) {
        case 1: ok = quantise(256); break;
        case 2: ok = quantise(16); break;
        case 3: {
          ok = ConvertToGrey();
          if (ok) {
            std::vector<uint8_t> dib = NewDib(GetWidth(), GetHeight(), 8, 256, GetXResolution(), GetYResolution());
            ok = !dib.empty();
            if (ok) {
              Put32(dib.data() + 36, 256);
              for (int i = 0; i < 256; ++i) std::memset(dib.data() + 40 + 4 * i, i, 3);
              const size_t inStride = static_cast<size_t>(GetStride()), outStride = StrideOf(8, GetWidth());
              for (int y = 0; y < GetHeight(); ++y)
                for (int x = 0; x < GetWidth(); ++x)
                  dib[40 + 1024 + y * outStride + x] = GetBits()[y * inStride + 3 * x];
              m_dib = std::move(dib);
            }
          }
          break;
        }
        case 4: ok = quantise(16) && ConvertToGrey(); break;
        case 5:
          ok = quantise(2);
          SetTransparentColor(0, false);
          break;
      }
      break;
    case 1:
    case 3:
      switch (type) {
        case 0: ok = ChangeBitDepth(0); break;
        case 1: ok = current == 3 || true; break;
        case 2: ok = ChangeBitDepth(0) && quantise(16); break;
        case 3: ok = ConvertToGrey(); break;
        case 4: ok = ChangeBitDepth(0) && quantise(16) && ConvertToGrey(); break;
        case 5: ok = toBlackAndWhite(); break;
      }
      break;
    case 2:
      switch (type) {
        case 0:
        case 1: ok = ChangeBitDepth(type); break;
        case 3: ok = ConvertToGrey() && ChangeBitDepth(3); break;
        case 4: ok = ConvertToGrey(); break;
        case 5: ok = toBlackAndWhite(); break;
      }
      break;
    case 4:
      switch (type) {
        case 2: ok = true; break;
        case 5: ok = toBlackAndWhite(); break;
        default: ok = ChangeBitDepth(type); break;
      }
      break;
    case 5: ok = ChangeBitDepth(type); break;
  }
  if (!ok) return false;
  m_colorType = type;
  if (quantised && tRow >= 0 && GetTransparentColor(t))
    SetTransparentColor(static_cast<uint32_t>(GetPixel(tRow, nullptr, tColumn)), true);
  return true;
}
