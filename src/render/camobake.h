#pragma once

#include "render/vertexbuffer.h"

#include "gamedata/ddshelpers.h"

#include <QOpenGLFramebufferObject>
#include <QString>

#include <glm/glm.hpp>

#include <array>
#include <memory>

class QIODevice;
class QWidget;

// One diffuse texture to bake with the current camouflage. The camouflage loader
// fills it by field name; saveBake makes the framebuffer and the quad, and the job
// frees them when it goes (with the context that made them current).
struct CamoBakeJob
{
    std::unique_ptr<QOpenGLFramebufferObject> framebuffer; // made by the bake
    QString diffusePath;     // game path of the diffuse, and of the file written
    QString camoTexturePath; // the camouflage texture's game path, for the record
    QString exclusionPath;   // game path of the exclusion mask
    glm::vec4 tiling {0.0f};
    std::unique_ptr<VertexBuffer> quad; // made by the bake
    bool noMipmaps = false;
    // What the bake draws with: the current camouflage texture and its four colours
    // (0..255 per channel), which live in the tank library.
    GLuint camoTexture = 0;
    std::array<glm::vec4, 4> colors {glm::vec4(0.0f), glm::vec4(0.0f), glm::vec4(0.0f),
                                     glm::vec4(0.0f)};
};

enum class BakeResult { Written, Declined, Failed };

// modPath + "/" + gamePath cleaned, in native separators; empty when the cleaned path
// leaves the mod folder (".." or an absolute game path) or either part is empty.
[[nodiscard]] QString bakeOutputPath(const QString &modPath, const QString &gamePath);

// The size of the game's own copy of a texture: the loose file under the game's
// resource folder, else the packages; the mod folder is never asked. (0, 0) when
// neither has a DDS.
[[nodiscard]] DdsTextureSize gameTextureSize(const QString &gamePath);

// Compresses 8-bit BGRA pixels (rows in memory order) into a DXT1 DDS, with the full
// mip chain when generateMipmaps is set. False for an empty size, a failed
// compression or a failed write.
[[nodiscard]] bool saveDdsFile(QIODevice &device, const void *pixels, quint32 width, quint32 height,
                               bool generateMipmaps);
// The same into a file: written beside it and renamed over it only when everything
// succeeded, so a failure leaves an existing file as it was.
[[nodiscard]] bool saveDdsFile(const QString &path, const void *pixels, quint32 width,
                               quint32 height, bool generateMipmaps);

// The bake's steps; a context must be current. createBakeFramebuffer answers
// whether the framebuffer is complete.
bool createBakeFramebuffer(CamoBakeJob &job, int width, int height);
void createBakeQuad(CamoBakeJob &job);
// Draws the diffuse with the camouflage into the bound framebuffer.
void renderBake(CamoBakeJob &job);
// Renders the job at the size of the game's diffuse and writes it to the mod folder
// at the diffuse's game path. An existing file is replaced only after the user
// agreed (boxes on dialogParent) and only when the new one was written whole;
// a target outside the mod folder, an unusable size or framebuffer, or a failed
// compression fails with a Warning and touches nothing.
BakeResult saveBake(CamoBakeJob &job, QWidget *dialogParent);
