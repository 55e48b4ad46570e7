// Draws every image of the installer skin from shapes and writes them as PNG
// files under the given folder. The artwork's source is this file: change a
// colour or a shape here and the build redraws the skin.
//   generate_art OUTPUT_DIR
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

constexpr float kPi = 3.14159265358979f;

struct Col {
  float r, g, b, a;
};

Col Hex(unsigned rgb, float a = 1.0f) {
  return Col{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, a};
}
Col Mix(Col x, Col y, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return Col{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

using Sdf = std::function<float(float, float)>;
using Paint = std::function<Col(float, float)>;

// Premultiplied RGBA in floats.
struct Img {
  int w, h;
  std::vector<float> px;
  Img(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height * 4, 0.0f) {}

  void Fill(const Sdf& shape, const Paint& paint) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        float fx = x + 0.5f, fy = y + 0.5f;
        float cover = std::clamp(0.5f - shape(fx, fy), 0.0f, 1.0f);
        if (cover <= 0.0f) continue;
        Col c = paint(fx, fy);
        float a = c.a * cover;
        float* p = &px[(static_cast<size_t>(y) * w + x) * 4];
        p[0] = c.r * a + p[0] * (1 - a);
        p[1] = c.g * a + p[1] * (1 - a);
        p[2] = c.b * a + p[2] * (1 - a);
        p[3] = a + p[3] * (1 - a);
      }
    }
  }
  void Fill(const Sdf& shape, Col c) {
    Fill(shape, [c](float, float) { return c; });
  }

  bool Save(const std::filesystem::path& path) const {
    std::vector<unsigned char> out(static_cast<size_t>(w) * h * 4);
    for (size_t i = 0; i < out.size(); i += 4) {
      float a = px[i + 3];
      for (int k = 0; k < 3; ++k) {
        float v = a > 0 ? px[i + k] / a : 0.0f;
        out[i + k] = static_cast<unsigned char>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
      }
      out[i + 3] = static_cast<unsigned char>(std::clamp(a, 0.0f, 1.0f) * 255.0f + 0.5f);
    }
    std::filesystem::create_directories(path.parent_path());
    return stbi_write_png(path.string().c_str(), w, h, 4, out.data(), w * 4) != 0;
  }
};

// ---- shapes (signed distance: negative inside)

Sdf Everything() {
  return [](float, float) { return -1.0f; };
}
Sdf RoundRect(float x0, float y0, float x1, float y1, float r) {
  return [=](float x, float y) {
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
  };
}
Sdf Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}
Sdf Ring(float cx, float cy, float r, float width) {
  return [=](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - width / 2; };
}
Sdf Capsule(float ax, float ay, float bx, float by, float r) {
  return [=](float x, float y) {
    float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
    float t = std::clamp((pax * bax + pay * bay) / (bax * bax + bay * bay), 0.0f, 1.0f);
    return std::hypot(pax - bax * t, pay - bay * t) - r;
  };
}
// An arc of a ring from `start` (radians, clockwise on screen) over `span`, with round ends.
Sdf Arc(float cx, float cy, float r, float width, float start, float span) {
  return [=](float x, float y) {
    float angle = std::atan2(y - cy, x - cx);
    float rel = std::fmod(angle - start + 4 * kPi, 2 * kPi);
    if (rel <= span) return std::fabs(std::hypot(x - cx, y - cy) - r) - width / 2;
    float ex0 = cx + r * std::cos(start), ey0 = cy + r * std::sin(start);
    float ex1 = cx + r * std::cos(start + span), ey1 = cy + r * std::sin(start + span);
    return std::min(std::hypot(x - ex0, y - ey0), std::hypot(x - ex1, y - ey1)) - width / 2;
  };
}
// Convex polygon (points clockwise on screen), rounded by `round`.
Sdf Polygon(std::vector<std::pair<float, float>> pts, float round = 0) {
  return [=](float x, float y) {
    float d = -1e9f;
    for (size_t i = 0; i < pts.size(); ++i) {
      auto [ax, ay] = pts[i];
      auto [bx, by] = pts[(i + 1) % pts.size()];
      float ex = bx - ax, ey = by - ay, len = std::hypot(ex, ey);
      // Outward normal of a clockwise (screen) polygon.
      float nx = ey / len, ny = -ex / len;
      d = std::max(d, (x - ax) * nx + (y - ay) * ny);
    }
    return d - round;
  };
}
Sdf Union(Sdf a, Sdf b) {
  return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
Sdf Minus(Sdf a, Sdf b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Paint Vertical(Col top, Col bottom, float y0, float y1) {
  return [=](float, float y) { return Mix(top, bottom, (y - y0) / (y1 - y0)); };
}
Paint Horizontal(Col left, Col right, float x0, float x1) {
  return [=](float x, float) { return Mix(left, right, (x - x0) / (x1 - x0)); };
}

// ---- palette
const Col kBlueDeep = Hex(0x1766D6), kBlue = Hex(0x1E7AE6), kBlueLight = Hex(0x3D9BFF), kBlueSky = Hex(0x5AB4FF);
const Col kWhite = Hex(0xFFFFFF), kInk = Hex(0x1F2D3D), kGrey = Hex(0x8A94A6), kLine = Hex(0xD6DEE8);
const Col kRed = Hex(0xE5484D), kGreen = Hex(0x22C17A), kOrange = Hex(0xFF8A3D);

std::filesystem::path g_out;
int g_written = 0;

void Save(const Img& img, const std::string& name) {
  if (!img.Save(g_out / name)) {
    std::fprintf(stderr, "cannot write %s\n", name.c_str());
    std::exit(1);
  }
  ++g_written;
}

// Soft decorative circles on the blue areas.
void Bubbles(Img& img, float limitY) {
  struct B {
    float x, y, r, a;
  } bubbles[] = {{520, 40, 120, 0.07f}, {610, 170, 90, 0.06f}, {-20, 210, 110, 0.05f}, {90, 30, 40, 0.05f}};
  for (auto b : bubbles) {
    img.Fill(Minus(Circle(b.x, b.y, b.r), [=](float, float y) { return limitY - y; }), Hex(0xFFFFFF, b.a));
  }
}

void Backgrounds() {
  {  // one-click page: blue top with a soft wave, white bottom
    Img img(600, 400);
    img.Fill(Everything(), kWhite);
    auto wave = [](float x, float y) { return y - (250 + 10 * std::sin(x / 600 * 2 * kPi + 0.6f)); };
    img.Fill(wave, Vertical(kBlueDeep, kBlueSky, 0, 260));
    Bubbles(img, 260);
    img.Fill([&](float x, float y) { return std::max(wave(x, y), -wave(x, y) - 40); }, Hex(0xFFFFFF, 0.08f));
    Save(img, "res/mainWnd/bg1.png");
  }
  for (int page : {2, 4}) {  // custom and finished pages: blue title band on white
    Img img(600, 400);
    img.Fill(Everything(), Vertical(kWhite, Hex(0xF2F7FE), 35, 400));
    img.Fill(RoundRect(0, 0, 600, 35, 0), Horizontal(kBlueDeep, kBlueLight, 0, 600));
    if (page == 4) img.Fill(Circle(300, 123, 90), [](float x, float y) {
        float d = std::hypot(x - 300, y - 123) / 90;
        return Hex(0x3D9BFF, 0.10f * (1 - d));
      });
    Save(img, "res/mainWnd/bg" + std::to_string(page) + ".png");
  }
  {  // progress page: all blue
    Img img(600, 400);
    img.Fill(Everything(), Vertical(kBlueDeep, kBlueSky, 0, 400));
    Bubbles(img, 400);
    Save(img, "res/mainWnd/bg3.png");
  }
  for (auto [w, name] : {std::pair{360, "bg360"}, std::pair{400, "bg400"}}) {  // dialogs
    Img img(w, 180);
    img.Fill(Everything(), kLine);
    img.Fill(RoundRect(1, 1, w - 1.0f, 179, 0), kWhite);
    img.Fill(RoundRect(1, 1, w - 1.0f, 30, 0), Hex(0xF4F7FB));
    img.Fill(RoundRect(1, 30, w - 1.0f, 31, 0), Hex(0xE6EBF2));
    Save(img, std::string("res/MessageBoxWnd/") + name + ".png");
  }
}

void PillButton(const std::string& name, int w, int h, Col top, Col bottom) {
  Img img(w, h);
  float r = h / 2.0f;
  img.Fill(RoundRect(0, 0, w, h, r), Vertical(top, bottom, 0, h));
  img.Fill(Minus(RoundRect(0, 0, w, h, r), RoundRect(0, 1, w, h, r)), Hex(0xFFFFFF, 0.25f));  // top highlight
  Save(img, name);
}

void Buttons() {
  for (auto [prefix, w, h] : {std::tuple{"res/mainWnd/installBtn", 200, 50}, std::tuple{"res/mainWnd/customeInstallBtn", 160, 44}}) {
    PillButton(std::string(prefix) + "1.png", w, h, Hex(0x3592FF), Hex(0x1E6FE0));
    PillButton(std::string(prefix) + "2.png", w, h, Hex(0x55A6FF), Hex(0x2F80F0));
    PillButton(std::string(prefix) + "3.png", w, h, Hex(0x1A62CC), Hex(0x1758B8));
  }
  // Dialog buttons (drawn with nine-grid corners, so they stretch cleanly).
  const Col blue[3][2] = {{Hex(0x3592FF), Hex(0x1E6FE0)}, {Hex(0x55A6FF), Hex(0x2F80F0)}, {Hex(0x1A62CC), Hex(0x1758B8)}};
  const Col whiteFill[3] = {kWhite, Hex(0xF3F8FF), Hex(0xE3EEFC)};
  const Col whiteLine[3] = {Hex(0xCCD6E2), kBlue, kBlue};
  for (int s = 0; s < 3; ++s) {
    Img b(60, 32);
    b.Fill(RoundRect(0, 0, 60, 32, 4), Vertical(blue[s][0], blue[s][1], 0, 32));
    Save(b, "res/common/btnBlue" + std::to_string(s + 1) + ".png");
    Img w(60, 32);
    w.Fill(RoundRect(0, 0, 60, 32, 4), whiteLine[s]);
    w.Fill(RoundRect(1, 1, 59, 31, 3), whiteFill[s]);
    Save(w, "res/common/btnWhite" + std::to_string(s + 1) + ".png");
    Img c(81, 32);
    c.Fill(RoundRect(0, 0, 81, 32, 4), kBlue);
    c.Fill(RoundRect(1, 1, 80, 31, 3), s == 0 ? kWhite : s == 1 ? Hex(0xEAF3FF) : Hex(0xD6E8FF));
    Save(c, "res/mainWnd/chDirBtn" + std::to_string(s + 1) + ".png");
  }
}

void TitleButtons() {
  for (int s = 0; s < 3; ++s) {
    std::string n = std::to_string(s + 1);
    {  // close on blue
      Img img(24, 24);
      if (s > 0) img.Fill(RoundRect(0, 0, 24, 24, 4), s == 1 ? kRed : Hex(0xC93B40));
      img.Fill(Union(Capsule(8, 8, 16, 16, 0.9f), Capsule(16, 8, 8, 16, 0.9f)), kWhite);
      Save(img, "res/common/closebtn" + n + ".png");
    }
    {  // minimise on blue
      Img img(24, 24);
      if (s > 0) img.Fill(RoundRect(0, 0, 24, 24, 4), Hex(0xFFFFFF, s == 1 ? 0.2f : 0.32f));
      img.Fill(Capsule(7.5f, 12, 16.5f, 12, 0.9f), kWhite);
      Save(img, "res/common/minbtn" + n + ".png");
    }
    {  // close on the light dialog title
      Img img(24, 24);
      if (s > 0) img.Fill(RoundRect(0, 0, 24, 24, 4), s == 1 ? kRed : Hex(0xC93B40));
      img.Fill(Union(Capsule(8, 8, 16, 16, 0.9f), Capsule(16, 8, 8, 16, 0.9f)), s == 0 ? kGrey : kWhite);
      Save(img, "res/common/closebtnM_" + n + ".png");
    }
    {  // back chevron
      Img img(60, 24);
      if (s > 0) img.Fill(RoundRect(0, 0, 60, 24, 12), Hex(0xFFFFFF, s == 1 ? 0.16f : 0.28f));
      img.Fill(Union(Capsule(14, 7, 9, 12, 1.0f), Capsule(9, 12, 14, 17, 1.0f)), kWhite);
      Save(img, "res/mainWnd/backBtn" + n + ".png");
    }
  }
}

void SmallParts() {
  {
    Img img(16, 16);
    img.Fill(RoundRect(0, 0, 16, 16, 3), Hex(0xB8C2D0));
    img.Fill(RoundRect(1, 1, 15, 15, 2), kWhite);
    Save(img, "res/common/Cb1.png");
  }
  {
    Img img(16, 16);
    img.Fill(RoundRect(0, 0, 16, 16, 3), kBlue);
    img.Fill(Union(Capsule(4, 8.5f, 7, 11.5f, 1.0f), Capsule(7, 11.5f, 12.5f, 5, 1.0f)), kWhite);
    Save(img, "res/common/Cb2.png");
  }
  {  // hint bubble pointing up at the install button
    Img img(160, 28);
    img.Fill(Union(RoundRect(0, 5, 160, 28, 5), Polygon({{80, 0}, {87, 6}, {73, 6}})), Horizontal(kOrange, Hex(0xFF6A3D), 0, 160));
    Save(img, "res/mainWnd/tipLbl.png");
  }
  {
    Img img(96, 96);
    img.Fill(Circle(48, 48, 44), Vertical(Hex(0x34D38C), Hex(0x18A866), 4, 92));
    img.Fill(Union(Capsule(29, 49, 42, 62, 4.5f), Capsule(42, 62, 68, 35, 4.5f)), kWhite);
    Save(img, "res/mainWnd/finished.png");
  }
  {
    Img bar(520, 8);
    bar.Fill(RoundRect(0, 0, 520, 8, 4), Hex(0xFFFFFF, 0.28f));
    Save(bar, "res/mainWnd/installPrg1.png");
    Img fore(520, 8);
    fore.Fill(RoundRect(0, 0, 520, 8, 4), Horizontal(Hex(0xFFFFFF), Hex(0xBFE6FF), 0, 520));
    Save(fore, "res/mainWnd/installPrg2.png");
  }
  {  // product logo: a white tile with two blue peaks and a sun
    Img img(96, 96);
    img.Fill(RoundRect(4, 6, 92, 94, 22), Hex(0x0B3C80, 0.18f));
    img.Fill(RoundRect(4, 2, 92, 90, 22), Vertical(kWhite, Hex(0xE6F1FF), 2, 90));
    img.Fill(Circle(64, 32, 8), Vertical(Hex(0xFFB547), kOrange, 24, 40));
    img.Fill(Polygon({{34, 30}, {56, 68}, {12, 68}}, 1.5f), Vertical(kBlueLight, kBlueDeep, 30, 68));
    img.Fill(Polygon({{58, 42}, {80, 68}, {36, 68}}, 1.5f), Vertical(kBlueSky, kBlue, 42, 68));
    img.Fill(RoundRect(14, 70, 82, 74, 2), Hex(0x1E7AE6, 0.35f));
    Save(img, "res/mainWnd/logo.png");
  }
}

void DialogIcons() {
  {
    Img img(40, 40);
    img.Fill(Circle(20, 20, 19), Vertical(kBlueLight, kBlue, 1, 39));
    img.Fill(Union(Arc(20, 15.5f, 5.5f, 3.2f, kPi, kPi * 4 / 3),
                   Union(Capsule(22.75f, 20.26f, 20, 23, 1.6f), Capsule(20, 23, 20, 24.5f, 1.6f))),
             kWhite);
    img.Fill(Circle(20, 30, 2), kWhite);
    Save(img, "res/MessageBoxWnd/icoQuest.png");
  }
  {
    Img img(40, 40);
    img.Fill(Polygon({{20, 5}, {36, 33}, {4, 33}}, 2.5f), Vertical(Hex(0xFFB547), Hex(0xFF8A1F), 3, 36));
    img.Fill(Capsule(20, 15, 20, 24, 1.7f), kWhite);
    img.Fill(Circle(20, 29.5f, 1.9f), kWhite);
    Save(img, "res/MessageBoxWnd/icoWarn.png");
  }
  {
    Img img(40, 40);
    img.Fill(Circle(20, 20, 19), Vertical(kBlueLight, kBlue, 1, 39));
    for (float r : {5.0f, 10.0f, 15.0f}) img.Fill(Arc(20, 28, r, 2.6f, kPi * 5 / 4, kPi / 2), kWhite);
    img.Fill(Circle(20, 28, 2.2f), kWhite);
    Save(img, "res/MessageBoxWnd/icoNetwork.png");
  }
}

void AnimationFrames() {
  for (int i = 0; i < 25; ++i) {
    Img img(160, 160);
    float t = i / 25.0f;
    img.Fill(Ring(80, 80, 58, 8), Hex(0xFFFFFF, 0.22f));
    img.Fill(Arc(80, 80, 58, 8, -kPi / 2 + t * 2 * kPi, kPi * 0.6f), kWhite);
    float bob = 3.0f * std::sin(t * 2 * kPi);
    img.Fill(Capsule(80, 54 + bob, 80, 88 + bob, 4.5f), kWhite);
    img.Fill(Polygon({{80, 104 + bob}, {62, 84 + bob}, {98, 84 + bob}}, 1.5f), kWhite);
    img.Fill(Capsule(60, 112, 100, 112, 3), Hex(0xFFFFFF, 0.75f));
    char name[64];
    std::snprintf(name, sizeof name, "res/mainWnd/installBtnAnimate/%03d.png", i);
    Save(img, name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: generate_art OUTPUT_DIR\n");
    return 2;
  }
  g_out = argv[1];
  Backgrounds();
  Buttons();
  TitleButtons();
  SmallParts();
  DialogIcons();
  AnimationFrames();
  std::printf("%d images\n", g_written);
  return 0;
}
