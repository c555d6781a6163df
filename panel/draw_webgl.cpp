// The drawing modes in WebGL: small shaders doing what desktop GL's fixed-function
// state does in draw_gl.cpp, so that the frames match.
#include "panel/draw_modes.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// gluPerspective(90, 1, near 1, far) times the vertex shifted by `shift`. Panels lie on
// the near plane: the depth is clamped into the view volume, as the desktop clamps it.
constexpr const char* VERTEX_SHADER = R"(
attribute vec3 position;
attribute vec2 texel;
uniform vec2 shift;
uniform float far;
varying vec2 uv;
void main() {
    float w = -position.z;
    float z = (far + 1.0) / (1.0 - far) * position.z + 2.0 * far / (1.0 - far);
    gl_Position = vec4(position.xy + shift, clamp(z, -w, w), w);
    uv = texel;
}
)";

// One program per drawing mode, so that no pixel pays for a branch; MODE picks the body.
// 0: the texel (replace); 1: the texel times the colour (modulate); 2: the colour alone.
constexpr const char* FRAGMENT_SHADER = R"(
precision mediump float;
uniform sampler2D picture;
uniform vec4 colour;
varying vec2 uv;
void main() {
#if MODE == 0
    gl_FragColor = vec4(texture2D(picture, uv).rgb, 1.0);
#elif MODE == 1
    gl_FragColor = vec4(texture2D(picture, uv).rgb, 1.0) * colour;
#else
    gl_FragColor = colour;
#endif
}
)";

enum DrawMode { MODE_REPLACE, MODE_MODULATE, MODE_COLOUR, MODE_COUNT };
constexpr const char* MODE_DEFINES[MODE_COUNT] = {"#define MODE 0\n", "#define MODE 1\n", "#define MODE 2\n"};
constexpr float PANEL_FAR = 1000.0f;
constexpr float FADE_FAR = 100000.0f;
constexpr GLuint POSITION_ATTRIBUTE = 0;
constexpr GLuint TEXEL_ATTRIBUTE = 1;

struct Vertex {
    float x, y, z, u, v;
};

struct Program {
    GLuint name = 0;
    GLint shift = -1, far = -1, colour = -1;
};

struct Drawing {
    Program programs[MODE_COUNT];
    GLuint buffer = 0;
    std::vector<Vertex> vertices;   // the call's triangles, reused
};

Drawing TheDrawing;

GLuint CompileShader(GLenum kind, const char* prefix, const char* source) {
    GLuint shader = glCreateShader(kind);
    const char* sources[] = {prefix, source};
    glShaderSource(shader, 2, sources, nullptr);
    glCompileShader(shader);
    return shader;
}

Program LinkProgram(GLuint vertexShader, DrawMode mode) {
    Program p;
    p.name = glCreateProgram();
    glAttachShader(p.name, vertexShader);
    glAttachShader(p.name, CompileShader(GL_FRAGMENT_SHADER, MODE_DEFINES[mode], FRAGMENT_SHADER));
    glBindAttribLocation(p.name, POSITION_ATTRIBUTE, "position");
    glBindAttribLocation(p.name, TEXEL_ATTRIBUTE, "texel");
    glLinkProgram(p.name);
    glUseProgram(p.name);
    p.shift = glGetUniformLocation(p.name, "shift");
    p.far = glGetUniformLocation(p.name, "far");
    p.colour = glGetUniformLocation(p.name, "colour");
    glUniform1i(glGetUniformLocation(p.name, "picture"), 0);
    return p;
}

// Made in the first call of a context; the page starts the context once.
Drawing& Ready() {
    Drawing& d = TheDrawing;
    if (d.buffer) return d;
    GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, "", VERTEX_SHADER);
    for (int32_t mode = 0; mode < MODE_COUNT; ++mode) d.programs[mode] = LinkProgram(vertexShader, DrawMode(mode));
    glGenBuffers(1, &d.buffer);
    glBindBuffer(GL_ARRAY_BUFFER, d.buffer);
    glEnableVertexAttribArray(POSITION_ATTRIBUTE);
    glEnableVertexAttribArray(TEXEL_ATTRIBUTE);
    glVertexAttribPointer(POSITION_ATTRIBUTE, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(TEXEL_ATTRIBUTE, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(3 * sizeof(float)));
    // Nothing is drawn with depth: every mode leaves the depth buffer alone.
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    return d;
}

// The mode's program, in use, with the panel's shift and far plane.
const Program& UseMode(Drawing& d, DrawMode mode, float dx, float dy, float far) {
    const Program& p = d.programs[mode];
    glUseProgram(p.name);
    glUniform2f(p.shift, dx, dy);
    glUniform1f(p.far, far);
    return p;
}

// A quad as the desktop splits it: (0, 1, 2) and (0, 2, 3).
void AddQuad(std::vector<Vertex>& out, const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d) {
    out.insert(out.end(), {a, b, c, a, c, d});
}

Vertex Corner(const PanelVertex& vertex) { return {vertex.x, vertex.y, vertex.z, vertex.u, vertex.v}; }

void SendVertices(Drawing& d) {
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(d.vertices.size() * sizeof(Vertex)), d.vertices.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(d.vertices.size()));
}

// A side spanning the texture once at most crosses its grid at TEXTURE_TILES lines inside
// it (one span, unaligned), and has its two ends.
constexpr int32_t MAX_CUTS = TEXTURE_TILES + 2;

// Where a side from texture coordinate `from` to `to` crosses the tile grid, as shares of
// the side from 0 to 1, in order (MAX_CUTS of them at most); 0 for a side that spans the
// texture more than once.
int32_t TileCuts(float from, float to, float* cuts) {
    float low = std::min(from, to), high = std::max(from, to);
    if (!(high - low <= 1.0f) || !(low > -1.0f && high < 2.0f)) return 0;
    int32_t count = 0;
    cuts[count++] = 0.0f;
    for (int32_t k = static_cast<int32_t>(std::floor(low * TEXTURE_TILES)) + 1; k * 1.0f / TEXTURE_TILES < high; ++k)
        cuts[count++] = (k * 1.0f / TEXTURE_TILES - from) / (to - from);
    if (to < from) std::reverse(cuts + 1, cuts + count);
    cuts[count++] = 1.0f;
    return count;
}

int32_t TileOf(float coordinate) {
    int32_t tile = static_cast<int32_t>(std::floor(coordinate * TEXTURE_TILES)) % TEXTURE_TILES;
    return tile < 0 ? tile + TEXTURE_TILES : tile;
}

// The pixel edges of a side's cuts, the side running from `near` (share 0) to `far` (share 1)
// in window pixels; kept within `low` to `high` (the viewport), the outer ones moved out to them.
void PixelEdges(const float* cuts, int32_t count, float near, float far, int32_t low, int32_t high, int32_t* edges) {
    for (int32_t k = 0; k < count; ++k) {
        float edge = std::floor(near + (far - near) * cuts[k] + 0.5f);
        edges[k] = static_cast<int32_t>(std::clamp(edge, static_cast<float>(low), static_cast<float>(high)));
    }
    bool rising = far >= near;
    edges[0] = rising ? low : high;
    edges[count - 1] = rising ? high : low;
}

// A one-cell panel laid flat along the window's axes: its corners a, b (along a row), c and
// e (below b and a), and where its sides lie in window pixels (shifted by dx, dy).
struct FlatCell {
    const PanelVertex *a, *b, *c, *e;
    float xa, xb, ya, ye;   // the window x of a and b, the window y of a and e
};

bool FlatCellOf(const Panel& panel, float dx, float dy, const GLint* view, FlatCell* cell) {
    if (panel.columns != 2 || panel.rows != 2) return false;
    const PanelVertex *a = &panel.vertices[0], *b = &panel.vertices[1], *c = &panel.vertices[3], *e = &panel.vertices[2];
    bool flat = a->z == b->z && a->z == c->z && a->z == e->z && a->z < 0.0f;
    bool square = a->y == b->y && e->y == c->y && a->x == e->x && b->x == c->x && a->x != b->x && a->y != e->y;
    if (!flat || !square) return false;
    // As the vertex shader puts them.
    float w = -a->z;
    auto windowX = [&](float x) { return view[0] + ((x + dx) / w + 1.0f) * 0.5f * view[2]; };
    auto windowY = [&](float y) { return view[1] + ((y + dy) / w + 1.0f) * 0.5f * view[3]; };
    *cell = {a, b, c, e, windowX(a->x), windowX(b->x), windowY(a->y), windowY(e->y)};
    return true;
}

// An additive panel of one cell, laid flat along the window's axes with its texture along
// its sides, drawn only over its lit tiles: the same quad, cut by scissor rectangles, so
// every pixel it draws is computed as before. A pixel takes the tile whose span in the
// window holds its centre (edges rounded), so it samples that tile or a texel beyond it,
// which the tile counts. False for a panel of another shape, to be drawn whole.
bool DrawLitTiles(Drawing& d, const Panel& panel, float dx, float dy, const LitTiles& lit) {
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    FlatCell cell;
    if (!FlatCellOf(panel, dx, dy, view, &cell)) return false;
    const PanelVertex *a = cell.a, *b = cell.b, *c = cell.c, *e = cell.e;
    if (!(a->v == b->v && e->v == c->v && a->u == e->u && b->u == c->u)) return false;
    float across[MAX_CUTS], down[MAX_CUTS];
    int32_t columns = TileCuts(a->u, b->u, across), rows = TileCuts(a->v, e->v, down);
    if (columns == 0 || rows == 0) return false;
    int32_t xs[MAX_CUTS], ys[MAX_CUTS];
    PixelEdges(across, columns, cell.xa, cell.xb, view[0], view[0] + view[2], xs);
    PixelEdges(down, rows, cell.ya, cell.ye, view[1], view[1] + view[3], ys);
    d.vertices.clear();
    AddQuad(d.vertices, Corner(*a), Corner(*b), Corner(*c), Corner(*e));
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(d.vertices.size() * sizeof(Vertex)), d.vertices.data(),
                 GL_STREAM_DRAW);
    glEnable(GL_SCISSOR_TEST);
    for (int32_t i = 0; i + 1 < rows; ++i) {
        int32_t tileY = TileOf(a->v + (e->v - a->v) * (down[i] + down[i + 1]) * 0.5f);
        int32_t bottom = std::min(ys[i], ys[i + 1]), top = std::max(ys[i], ys[i + 1]);
        // Each run of lit tiles in the row is one rectangle.
        for (int32_t j = 0; j + 1 < columns;) {
            auto tileLit = [&](int32_t k) { return lit.Lit(TileOf(a->u + (b->u - a->u) * (across[k] + across[k + 1]) * 0.5f), tileY); };
            if (!tileLit(j)) {
                ++j;
                continue;
            }
            int32_t end = j + 1;
            while (end + 1 < columns && tileLit(end)) ++end;
            int32_t left = std::min(xs[j], xs[end]), right = std::max(xs[j], xs[end]);
            if (right > left && top > bottom) {
                glScissor(left, bottom, right - left, top - bottom);
                glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(d.vertices.size()));
            }
            j = end;
        }
    }
    glDisable(GL_SCISSOR_TEST);
    return true;
}

// The cells of the panel, or its first cell alone, counter-clockwise as built.
void SendCells(Drawing& d, const Panel& panel, bool firstOnly) {
    d.vertices.clear();
    const PanelVertex* v = panel.vertices;
    int32_t rows = firstOnly ? 1 : panel.rows - 1, columns = firstOnly ? 1 : panel.columns - 1;
    for (int32_t i = 0; i < rows; ++i)
        for (int32_t j = 0; j < columns; ++j) {
            int32_t first = i * panel.columns + j;
            AddQuad(d.vertices, Corner(v[first]), Corner(v[first + 1]), Corner(v[first + panel.columns + 1]),
                    Corner(v[first + panel.columns]));
        }
    SendVertices(d);
}

// An opaque panel drawn only where the opaque one drawn next leaves it to be seen, when that
// one covers the viewport's whole height from a column to an edge: its left part or its right
// part stays, cut by a scissor at the column whose pixel centres the cover begins at. False to
// draw it whole (another cover, or its edge too near a pixel centre to tell whose that is).
bool DrawUncovered(Drawing& d, const Panel& panel, const PanelCover& cover) {
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    FlatCell cell;
    if (!FlatCellOf(*cover.panel, cover.dx, cover.dy, view, &cell)) return false;
    float left = std::min(cell.xa, cell.xb), right = std::max(cell.xa, cell.xb);
    float bottom = std::min(cell.ya, cell.ye), top = std::max(cell.ya, cell.ye);
    constexpr float SURE = 0.125f;   // well clear of a pixel centre, whatever the rasteriser's snapping
    // Every row's centre in the viewport inside the cover, by a margin.
    if (!(bottom <= view[1] + 0.5f - SURE && top >= view[1] + view[3] - 0.5f + SURE)) return false;
    auto clearOfCentres = [&](float edge) {
        float offset = edge - 0.5f - std::floor(edge - 0.5f);
        return offset > SURE && offset < 1.0f - SURE;
    };
    int32_t from = view[0], to = view[0] + view[2];
    if (right >= to - 0.5f + SURE && left > from && clearOfCentres(left)) {
        to = static_cast<int32_t>(std::ceil(left - 0.5f));   // the columns whose centres lie left of it
    } else if (left <= from + 0.5f - SURE && right < to && clearOfCentres(right)) {
        from = static_cast<int32_t>(std::ceil(right - 0.5f));
    } else {
        return false;
    }
    if (to > from) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(from, view[1], to - from, view[3]);
        SendCells(d, panel, false);
        glDisable(GL_SCISSOR_TEST);
    }
    return true;
}

}  // namespace

void ClearFrame(float red, float green, float blue, float alpha) {
    glClearColor(red, green, blue, alpha);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void DrawPanelCells(const Panel& panel, const TextureSlot& texture, float dx, float dy, float brightness,
                    bool additive, const PanelCover* cover) {
    Drawing& d = Ready();
    glBindTexture(GL_TEXTURE_2D, texture.glName);
    if (additive) {
        const Program& p = UseMode(d, MODE_MODULATE, dx, dy, PANEL_FAR);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
        glUniform4f(p.colour, brightness, brightness, brightness, 1.0f);
    } else {
        glDisable(GL_BLEND);
        UseMode(d, MODE_REPLACE, dx, dy, PANEL_FAR);
    }
    // Adding black adds nothing: SwiftShader fills a pixel at a time, and the menu's
    // additive pictures are mostly black.
    // Nor need an opaque picture be filled where the next one covers it (the menu's backdrops).
    bool drawn = additive ? DrawLitTiles(d, panel, dx, dy, texture.lit) : cover && DrawUncovered(d, panel, *cover);
    if (!drawn) SendCells(d, panel, false);
    glDisable(GL_BLEND);
}

void DrawMaskedSprite(const Panel& panel, uint32_t mask, uint32_t sprite, float dx, float dy) {
    Drawing& d = Ready();
    const Program& p = UseMode(d, MODE_MODULATE, dx, dy, PANEL_FAR);
    glUniform4f(p.colour, 1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, mask);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    SendCells(d, panel, true);
    glBindTexture(GL_TEXTURE_2D, sprite);
    glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
    SendCells(d, panel, true);
    glDisable(GL_BLEND);
}

// On the desktop texturing is off for the fade, so the colour alone reaches the blend.
void DrawFadeOverlay(uint32_t texture, float level) {
    Drawing& d = Ready();
    glBindTexture(GL_TEXTURE_2D, texture);
    const Program& p = UseMode(d, MODE_COLOUR, 0.0f, 0.0f, FADE_FAR);
    glUniform4f(p.colour, level, level, level, level);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    d.vertices.clear();
    AddQuad(d.vertices, {-1, -1, -1, 0, 0}, {1, -1, -1, 1, 0}, {1, 1, -1, 1, 1}, {-1, 1, -1, 0, 1});
    SendVertices(d);
    glDisable(GL_BLEND);
}
