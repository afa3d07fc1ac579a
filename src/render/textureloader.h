#pragma once

#include "core/singleton.h"

#include <QMap>
#include <QObject>
#include <QString>

using GLenum = unsigned int;
using GLuint = unsigned int;

// The name a texture is cached and loaded under: trimmed first, then
// "x.tga" becomes "x.dds" (only when the part after the first "." is exactly
// "tga") and a name without any "." gets ".dds" appended. Other names stay.
[[nodiscard]] QString normaliseTextureName(const QString &name);
// The ".texformat" companion of a texture: ".dds" in any letter case replaced.
[[nodiscard]] QString texformatName(const QString &name);

// GL sampling state of one preference value; anisotropy 0 means off.
struct TextureFilterMode
{
    GLenum minFilter = 0;
    GLenum magFilter = 0;
    float anisotropy = 0.0f;

    bool operator==(const TextureFilterMode &other) const
    {
        return minFilter == other.minFilter && magFilter == other.magFilter
               && anisotropy == other.anisotropy;
    }
};

// The filter a preference name selects, given the implementation's largest
// anisotropy. An unknown name keeps current's filters and turns anisotropy off.
[[nodiscard]] TextureFilterMode
textureFilterFor(const QString &setting, const TextureFilterMode &current, float maxAnisotropy);

// What the texture loader reads of the tank loader, which registers itself.
class TextureLoaderTankHooks
{
public:
    virtual ~TextureLoaderTankHooks() = default;
    // The texture-location switch: when true, textures are read from the
    // packages before the mod folder's loose files, and the companion from the
    // packages alone.
    virtual bool texturesFromPackagesOnly() const = 0;
};

// Turns the game's DDS textures into GL textures, keeps them in a per-tank and
// a shared cache and applies the chosen texture filter at every bind. Lives
// on the GUI thread with the view's context current; that context must also be
// current when the loader is destroyed (it deletes its textures).
class TextureLoader : public QObject, public Singleton<TextureLoader>
{
    Q_OBJECT

public:
    // dataDir holds the program's own NoTexture.dds and grid.dds; it is
    // relative to the working directory, which start-up sets to the
    // program's folder.
    explicit TextureLoader(QObject *parent = nullptr,
                           const QString &dataDir = QStringLiteral("../data"));
    ~TextureLoader() override;

    // Activates the unit, binds the texture to GL_TEXTURE_2D and sets the
    // current filter on it.
    void bind(int unit, GLuint texture);

    // The texture of a game file from the per-tank or the shared cache, loaded
    // on a miss; noTexture (not cached) when it cannot be loaded.
    GLuint getTexture(const QString &name);
    GLuint getSharedTexture(const QString &name);

    // The per-tank entry for the name as given or with "\" turned into "/".
    // On a miss an Error is logged and the answer is getTexture(name) when
    // loadIfMissing is set, else 0.
    GLuint findTexture(const QString &name, bool loadIfMissing);
    // The per-tank cache key of a texture; empty when none.
    QString textureName(GLuint texture) const;

    // Deletes every per-tank texture but noTexture and empties that cache.
    void clear();

    // One game file to a new GL texture; noTexture when it cannot be opened or
    // decoded. The caller owns a texture other than noTexture and gives it back
    // through deleteTexture.
    GLuint loadTexture(const QString &name);
    // Deletes a texture loadTexture handed out; 0 and noTexture are kept. The
    // view's context must be current.
    void deleteTexture(GLuint texture);

    // Not owned; null unregisters (the packages then come after the mod folder).
    void setTankHooks(TextureLoaderTankHooks *hooks) { mTankHooks = hooks; }

    // Test seam: replaces the GL query of the largest anisotropy; null restores it.
    void setMaxAnisotropyForTesting(float (*query)()) { mMaxAnisotropy = query; }

    QMap<QString, GLuint> tankTextures;
    QMap<QString, GLuint> sharedTextures;
    // Trilinear until a preference applies, so a bind never sets filter 0.
    GLenum minFilter = 0x2703; // GL_LINEAR_MIPMAP_LINEAR
    GLenum magFilter = 0x2601; // GL_LINEAR
    float anisotropy = 0.0f;
    GLuint noTexture = 0;
    GLuint gridTexture = 0;
    GLuint shadowTexture = 0;

public slots:
    // Applies the preference's filter; takes effect at the next bind.
    void filterChanged();

private:
    GLuint cachedTexture(QMap<QString, GLuint> &cache, const QString &name);

    TextureLoaderTankHooks *mTankHooks = nullptr;
    float (*mMaxAnisotropy)() = nullptr;

    Q_DISABLE_COPY(TextureLoader)
};
