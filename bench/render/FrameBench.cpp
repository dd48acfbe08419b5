// Frame times of the drawing layer on this machine's renderer (run with
// LIBGL_ALWAYS_SOFTWARE=1 for Mesa's software rasteriser): the sky pass's
// sprites (own constants, then one 2-triangle strip each), a textured lit
// sphere and a large point list, each at 1280 x 720 with the read-back of Present.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "d3dx9.h"

namespace {

constexpr UINT kWidth = 1280, kHeight = 720;

struct SpriteVertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};

const char* kSpriteProgram =
    "void main() {\n"
    "  vec4 p = vec4(vPosition.xyz * c[0].x, 1.0);\n"
    "  gl_Position = vec4(dot(p, c[2]), dot(p, c[3]), dot(p, c[4]), dot(p, c[5]));\n"
    "  oD0 = vec4(c[1].rgb, 1.0) * vColor;\n"
    "  oT0 = vTexCoord0;\n"
    "}\n";

struct Scene {
  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* dev = nullptr;
  Scene() {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &dev);
  }
  ~Scene() {
    if (dev) dev->Release();
    if (d3d) d3d->Release();
  }
};

IDirect3DTexture9* GradientTexture(IDirect3DDevice9* dev, UINT size) {
  IDirect3DTexture9* tex = nullptr;
  dev->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
  D3DLOCKED_RECT lr;
  tex->LockRect(0, &lr, nullptr, 0);
  for (UINT y = 0; y < size; ++y)
    for (UINT x = 0; x < size; ++x) {
      float dx = (x + 0.5f) / size - 0.5f, dy = (y + 0.5f) / size - 0.5f;
      unsigned a = static_cast<unsigned>(std::max(0.0f, 1 - 2 * std::sqrt(dx * dx + dy * dy)) * 255);
      reinterpret_cast<D3DCOLOR*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch)[x] =
          D3DCOLOR_ARGB(a, 255, 255, 255);
    }
  tex->UnlockRect(0);
  return tex;
}

void Sprites(benchmark::State& state, bool batching) {
  Scene s;
  if (!s.dev) {
    state.SkipWithError("no device");
    return;
  }
  IDirect3DDevice9* dev = s.dev;
  dev->SetBatchingForLayer(batching);
  const char* text = kSpriteProgram;
  std::vector<DWORD> code(2 + (std::strlen(text) + 4) / 4, 0);
  code[0] = kShaderCodeTag;
  code[1] = static_cast<DWORD>(std::strlen(text));
  std::memcpy(code.data() + 2, text, std::strlen(text));
  IDirect3DVertexShader9* vs = nullptr;
  dev->CreateVertexShader(code.data(), &vs);
  D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                              {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                              D3DDECL_END()};
  IDirect3DVertexDeclaration9* vd = nullptr;
  dev->CreateVertexDeclaration(decl, &vd);
  IDirect3DVertexBuffer9* vb = nullptr;
  dev->CreateVertexBuffer(96, D3DUSAGE_WRITEONLY, 0x142, D3DPOOL_MANAGED, &vb, nullptr);
  SpriteVertex* p = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&p), 0);
  p[0] = {-0.01f, -0.01f, 0, 0xFFFFFFFF, 0, 0};
  p[1] = {-0.01f, 0.01f, 0, 0xFFFFFFFF, 1, 0};
  p[2] = {0.01f, -0.01f, 0, 0xFFFFFFFF, 0, 1};
  p[3] = {0.01f, 0.01f, 0, 0xFFFFFFFF, 1, 1};
  vb->Unlock();
  IDirect3DTexture9* tex = GradientTexture(dev, 32);
  // Stars on the sky sphere of radius 2, seen through a 0.8 rad field.
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1, 1);
  struct Star {
    D3DXVECTOR3 p;
    float size, color[4];
  };
  std::vector<Star> stars(10000);
  for (Star& st : stars) {
    D3DXVECTOR3 d(u(rng) * 0.35f, u(rng) * 0.2f, 1);
    D3DXVec3Normalize(&d, &d);
    st.p = d * 2.0f;
    // Sizes as the sky pass makes them: 1.45^-m for magnitudes 0.5 to 9.
    st.size = 2.0f * std::pow(1.45f, -(0.5f + (u(rng) + 1) * 4.25f));
    st.color[0] = 0.8f, st.color[1] = 0.9f, st.color[2] = 1, st.color[3] = 1;
  }
  D3DXMATRIX view, proj, vp;
  D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 1), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1280.0f / 720.0f, 1e-5f, 2.3f);
  vp = view * proj;
  for (auto _ : state) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev->BeginScene();
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    dev->SetVertexDeclaration(vd);
    dev->SetVertexShader(vs);
    dev->SetTexture(0, tex);
    dev->SetStreamSource(0, vb, 0, sizeof(SpriteVertex));
    for (const Star& st : stars) {
      D3DXMATRIX world, wvp, t;
      D3DXMatrixTranslation(&world, st.p.x, st.p.y, st.p.z);
      dev->SetTransform(D3DTS_WORLD, &world);
      wvp = world * vp;
      D3DXMatrixTranspose(&t, &wvp);
      dev->SetVertexShaderConstantF(2, &t._11, 4);
      const float c0[4] = {st.size, 1, 1, 0};
      dev->SetVertexShaderConstantF(0, c0, 1);
      dev->SetVertexShaderConstantF(1, st.color, 1);
      dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
    dev->SetVertexShader(nullptr);
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  dev->SetTexture(0, nullptr);
  dev->SetStreamSource(0, nullptr, 0, 0);
  tex->Release();
  vb->Release();
  vd->Release();
  vs->Release();
}

void BM_Sprites10000(benchmark::State& state) { Sprites(state, true); }
void BM_Sprites10000_OneDrawEach(benchmark::State& state) { Sprites(state, false); }

void BM_TexturedLitSphere(benchmark::State& state) {
  Scene s;
  if (!s.dev) {
    state.SkipWithError("no device");
    return;
  }
  IDirect3DDevice9* dev = s.dev;
  struct V {
    float x, y, z, nx, ny, nz;
    D3DCOLOR diffuse, specular;
    float uv[6];
  };
  const int R = 128, S = 128;
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  dev->CreateVertexBuffer((R + 1) * (S + 1) * sizeof(V), D3DUSAGE_WRITEONLY, 0x3d2, D3DPOOL_DEFAULT, &vb, nullptr);
  dev->CreateIndexBuffer(2 * R * (S + 1) * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr);
  V* v = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&v), 0);
  for (int i = 0; i <= R; ++i)
    for (int j = 0; j <= S; ++j) {
      float p = i * 3.14159265f / R, l = j * 6.2831853f / S;
      V& o = v[i * (S + 1) + j];
      o.x = o.nx = std::sin(l) * std::sin(p);
      o.y = o.ny = -std::cos(l) * std::sin(p);
      o.z = o.nz = std::cos(p);
      o.diffuse = 0xFFFFFFFF;
      o.specular = 0xFF555555;
      for (int k = 0; k < 3; ++k) o.uv[k * 2] = -static_cast<float>(j) / S, o.uv[k * 2 + 1] = static_cast<float>(i) / R;
    }
  vb->Unlock();
  uint16_t* idx = nullptr;
  ib->Lock(0, 0, reinterpret_cast<void**>(&idx), 0);
  for (int i = 0; i < R; ++i)
    for (int j = 0; j <= S; ++j) *idx++ = uint16_t(i * (S + 1) + j), *idx++ = uint16_t((i + 1) * (S + 1) + j);
  ib->Unlock();
  IDirect3DTexture9* tex = GradientTexture(dev, 1024);
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = {1, 1, 1, 1};
  light.Specular = {0.3f, 0.3f, 0.3f, 1};
  light.Position = {-5, 3, -2};
  light.Range = 100;
  light.Attenuation0 = 0.08f;
  light.Attenuation1 = 0.0001f;
  dev->SetLight(0, &light);
  dev->LightEnable(0, TRUE);
  D3DMATERIAL9 mat{};
  mat.Diffuse = mat.Ambient = {1, 1, 1, 1};
  mat.Specular = {0.2f, 0.2f, 0.2f, 1};
  mat.Power = 30;
  dev->SetMaterial(&mat);
  dev->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2);
  dev->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  dev->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(9, 9, 9));
  dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  D3DXMATRIX world, view, proj;
  D3DXMatrixScaling(&world, 0.8f, 0.8f, 0.8f);
  D3DXMATRIX t;
  D3DXMatrixTranslation(&t, 0, 0, 2);
  world = world * t;
  D3DXMatrixIdentity(&view);
  D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1280.0f / 720.0f, 0.1f, 10);
  dev->SetTransform(D3DTS_VIEW, &view);
  dev->SetTransform(D3DTS_PROJECTION, &proj);
  dev->SetTransform(D3DTS_WORLD, &world);
  for (auto _ : state) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev->BeginScene();
    dev->SetFVF(0x3d2);
    dev->SetTexture(0, tex);
    dev->SetIndices(ib);
    dev->SetStreamSource(0, vb, 0, sizeof(V));
    dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, (R + 1) * (S + 1), 0, 2 * R * (S + 1) - 2);
    dev->SetTexture(0, nullptr);
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  dev->SetStreamSource(0, nullptr, 0, 0);
  dev->SetIndices(nullptr);
  tex->Release();
  ib->Release();
  vb->Release();
}

void BM_Points100000(benchmark::State& state) {
  Scene s;
  if (!s.dev) {
    state.SkipWithError("no device");
    return;
  }
  IDirect3DDevice9* dev = s.dev;
  struct P {
    float x, y, z;
    D3DCOLOR c;
  };
  const UINT n = 100000;
  IDirect3DVertexBuffer9* vb = nullptr;
  dev->CreateVertexBuffer(n * sizeof(P), D3DUSAGE_WRITEONLY, 0x42, D3DPOOL_MANAGED, &vb, nullptr);
  P* p = nullptr;
  vb->Lock(0, 0, reinterpret_cast<void**>(&p), 0);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-1, 1);
  for (UINT i = 0; i < n; ++i) p[i] = {u(rng), u(rng), 0.5f, 0xFFFFFFFF};
  vb->Unlock();
  dev->SetRenderState(D3DRS_LIGHTING, FALSE);
  for (auto _ : state) {
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    dev->BeginScene();
    dev->SetFVF(0x42);
    dev->SetStreamSource(0, vb, 0, sizeof(P));
    dev->DrawPrimitive(D3DPT_POINTLIST, 0, n);
    dev->EndScene();
    dev->Present(nullptr, nullptr, nullptr, nullptr);
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  dev->SetStreamSource(0, nullptr, 0, 0);
  vb->Release();
}

}  // namespace

BENCHMARK(BM_Sprites10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Sprites10000_OneDrawEach)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TexturedLitSphere)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Points100000)->Unit(benchmark::kMillisecond)->UseRealTime();
