#include "render/textureloader.h"

#include "render/internal/glcore.h"
#include "render/textureupload.h"

#include "core/filemanager.h"
#include "core/log.h"
#include "core/settings.h"
#include "gamedata/image.h"
#include "gamedata/packedxmlreader.h"

#include <QBuffer>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>
#include <QRegularExpression>

#include <algorithm>
#include <memory>
#include <optional>

#ifndef GL_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_TEXTURE_MAX_ANISOTROPY_EXT 0x84FE
#endif
#ifndef GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT
#define GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT 0x84FF
#endif

namespace {

QString modPath()
{
    const Settings *settings = Settings::instance();
    QString path = settings ? settings->modPath : QString();
    // Joined with a game path by plain concatenation, so it must end in a separator.
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('\\'))) {
        path += QLatin1Char('/');
    }
    return path;
}

// A loose file; without a file manager (tools, tests) a plain open.
std::unique_ptr<QBuffer> openLoose(const QString &path)
{
    if (FileManager *files = FileManager::instance()) {
        return std::unique_ptr<QBuffer>(files->openPlainFile(path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(file.readAll());
    buffer->open(QIODevice::ReadOnly);
    return buffer;
}

std::unique_ptr<QBuffer> openThroughManager(const QString &name)
{
    FileManager *files = FileManager::instance();
    return std::unique_ptr<QBuffer>(files ? files->openFile(name) : nullptr);
}

std::unique_ptr<QBuffer> openFromPackages(const QString &name)
{
    FileManager *files = FileManager::instance();
    return std::unique_ptr<QBuffer>(files ? files->readFromZips(name) : nullptr);
}

// The HD base level named by a companion's first child element's "mip" text;
// empty when there is none.
QString hdNameFrom(const QByteArray &companion, const QString &companionName)
{
    const QDomDocument document = PackedXmlReader::parse(companion, companionName);
    // firstChildElement skips the value text node that packed files put first.
    return document.documentElement()
        .firstChildElement()
        .firstChildElement(QStringLiteral("mip"))
        .text()
        .trimmed();
}

} // namespace

QString normaliseTextureName(const QString &name)
{
    // Trimming first: "hull.tga " from a hand-edited file must still become hull.dds.
    const QString trimmed = name.trimmed();
    const QStringList parts = trimmed.split(QLatin1Char('.'));
    if (parts.size() > 1 && parts.at(1) == QLatin1String("tga")) {
        return parts.at(0) + QStringLiteral(".dds");
    }
    if (parts.size() == 1) {
        return trimmed + QStringLiteral(".dds");
    }
    return trimmed;
}

QString texformatName(const QString &name)
{
    static const QRegularExpression dds(QStringLiteral("\\.dds"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString result = name;
    return result.replace(dds, QStringLiteral(".texformat"));
}

TextureFilterMode textureFilterFor(const QString &setting, const TextureFilterMode &current,
                                   float maxAnisotropy)
{
    if (setting == QLatin1String("Bilinear")) {
        // Bilinear means linear within a level, nearest between levels.
        return {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR, 0.0f};
    }
    if (setting == QLatin1String("Trilinear")) {
        return {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, 0.0f};
    }
    static const QRegularExpression anisotropic(QStringLiteral("^Anisotropic (2|4|8|16)x$"));
    const QRegularExpressionMatch match = anisotropic.match(setting);
    if (match.hasMatch()) {
        const float wanted = match.captured(1).toFloat();
        return {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, std::min(wanted, maxAnisotropy)};
    }
    TextureFilterMode kept = current;
    kept.anisotropy = 0.0f;
    return kept;
}

TextureLoader::TextureLoader(QObject *parent, const QString &dataDir)
    : QObject(parent)
{
    logLine(QStringLiteral("Creating texture loader."), Info);
    if (Settings *settings = Settings::instance()) {
        connect(settings, &Settings::textureFilterChanged, this, &TextureLoader::filterChanged);
    }
    filterChanged();
    noTexture = getSharedTexture(dataDir + QStringLiteral("/NoTexture.dds"));
    gridTexture = getSharedTexture(dataDir + QStringLiteral("/grid.dds"));
}

TextureLoader::~TextureLoader()
{
    clear();
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        for (GLuint texture : std::as_const(sharedTextures)) {
            gl->glDeleteTextures(1, &texture);
        }
    }
    sharedTextures.clear();
    logLine(QStringLiteral("Texture Loader shutdown."), Info);
}

void TextureLoader::filterChanged()
{
    const Settings *settings = Settings::instance();
    const QString setting = settings ? settings->textureFilter : QStringLiteral("Anisotropic 4x");
    float maximum = 0.0f;
    if (mMaxAnisotropy) {
        maximum = mMaxAnisotropy();
    } else if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        // Asked only where the query is valid: clearing its error afterwards would
        // also swallow an error some earlier call left for its own check.
        const QOpenGLContext *context = QOpenGLContext::currentContext();
        if (context->format().version() >= qMakePair(4, 6)
            || context->hasExtension(QByteArrayLiteral("GL_EXT_texture_filter_anisotropic"))
            || context->hasExtension(QByteArrayLiteral("GL_ARB_texture_filter_anisotropic"))) {
            gl->glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
        }
    }
    const TextureFilterMode filter =
        textureFilterFor(setting, {minFilter, magFilter, anisotropy}, maximum);
    minFilter = filter.minFilter;
    magFilter = filter.magFilter;
    anisotropy = filter.anisotropy;
}

void TextureLoader::bind(int unit, GLuint texture)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl) {
        return;
    }
    gl->glActiveTexture(GLenum(GL_TEXTURE0 + unit));
    gl->glBindTexture(GL_TEXTURE_2D, texture);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(magFilter));
    if (anisotropy != 0.0f) {
        gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, GLint(anisotropy));
    }
}

GLuint TextureLoader::getTexture(const QString &name)
{
    return cachedTexture(tankTextures, name);
}

GLuint TextureLoader::getSharedTexture(const QString &name)
{
    return cachedTexture(sharedTextures, name);
}

GLuint TextureLoader::cachedTexture(QMap<QString, GLuint> &cache, const QString &name)
{
    // An empty text names no texture; looking it up would only log three lines.
    if (name.trimmed().isEmpty()) {
        return noTexture;
    }
    const QString key = normaliseTextureName(name);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd()) {
        return found.value();
    }
    logLine(QStringLiteral("Loading Texture: ") + key, Info);
    const GLuint texture = loadTexture(key);
    if (texture != noTexture) {
        cache.insert(key, texture);
    }
    return texture;
}

GLuint TextureLoader::findTexture(const QString &name, bool loadIfMissing)
{
    if (name.isEmpty()) {
        return loadIfMissing ? noTexture : 0;
    }
    if (const GLuint texture = tankTextures.value(name, 0)) {
        return texture;
    }
    QString slashed = name;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (const GLuint texture = tankTextures.value(slashed, 0)) {
        return texture;
    }
    logLine(QStringLiteral("Filename not found in cache:") + name, Error);
    return loadIfMissing ? getTexture(name) : 0;
}

QString TextureLoader::textureName(GLuint texture) const
{
    for (auto it = tankTextures.constBegin(); it != tankTextures.constEnd(); ++it) {
        if (it.value() == texture) {
            return it.key();
        }
    }
    return {};
}

void TextureLoader::clear()
{
    if (QOpenGLFunctions_3_2_Core *gl = internal::glCore()) {
        for (GLuint texture : std::as_const(tankTextures)) {
            if (texture != noTexture) {
                gl->glDeleteTextures(1, &texture);
            }
        }
    }
    tankTextures.clear();
}

void TextureLoader::deleteTexture(GLuint texture)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (gl && texture != 0 && texture != noTexture) {
        gl->glDeleteTextures(1, &texture);
    }
}

GLuint TextureLoader::loadTexture(const QString &name)
{
    const bool packagesOnly = mTankHooks && mTankHooks->texturesFromPackagesOnly();
    const QString mod = modPath();
    // The switch puts the packages before the mod folder's loose file; either way
    // the game-file lookup follows when the first place gives nothing.
    const auto open = [&](const QString &file) -> std::unique_ptr<QBuffer> {
        std::unique_ptr<QBuffer> buffer =
            packagesOnly ? openFromPackages(file) : openLoose(mod + file);
        if (!buffer) {
            buffer = openThroughManager(file);
        }
        if (!buffer && !mod.isEmpty()) {
            buffer = openThroughManager(mod + file);
        }
        return buffer;
    };

    const std::unique_ptr<QBuffer> texture = open(name);
    if (!texture) {
        logLine(QStringLiteral("Could not open texture: ") + name, Warning);
        return noTexture;
    }

    QString error;
    std::optional<Image> regular = Image::loadDds(texture->data(), &error);
    if (!regular) {
        logLine(name + QStringLiteral(": ") + error, Warning);
        logLine(QStringLiteral("Failed to load texture: ") + name, Warning);
        return noTexture;
    }

    std::optional<Image> hd;
    const QString companion = texformatName(name);
    FileManager *files = FileManager::instance();
    // The texture itself was matched in any letter case, so its companion must be too.
    const bool companionPresent =
        companion != name
        && (QFileInfo::exists(mod + companion) || openLoose(mod + companion)
            || (files && files->fileExistsInZips(companion)));
    if (companionPresent) {
        std::unique_ptr<QBuffer> companionFile =
            packagesOnly ? openFromPackages(companion) : openThroughManager(companion);
        const QString hdName =
            companionFile ? hdNameFrom(companionFile->data(), companion) : QString();
        // The HD level is optional: when it is missing or bad the regular chain still serves.
        if (!hdName.isEmpty()) {
            if (std::unique_ptr<QBuffer> hdFile = open(hdName)) {
                QString hdError;
                hd = Image::loadDds(hdFile->data(), &hdError);
                if (!hd) {
                    logLine(hdName + QStringLiteral(": ") + hdError
                                + QStringLiteral(", skipping HD texture."),
                            Warning);
                }
            }
        }
    }

    const GLuint uploaded =
        hd ? uploadTexture(std::move(*regular), *hd) : uploadTexture(std::move(*regular));
    if (uploaded == 0) {
        logLine(QStringLiteral("Failed to load texture: ") + name, Warning);
        return noTexture;
    }
    return uploaded;
}
