#include "render/textureloader.h"

QString normaliseTextureName(const QString &name)
{
    return name.trimmed();
}

QString texformatName(const QString &name)
{
    return name;
}

TextureFilterMode textureFilterFor(const QString &, const TextureFilterMode &current, float)
{
    return current;
}

TextureLoader::TextureLoader(QObject *parent, const QString &)
    : QObject(parent)
{
}

TextureLoader::~TextureLoader() = default;

void TextureLoader::bind(int, GLuint) {}
GLuint TextureLoader::getTexture(const QString &) { return noTexture; }
GLuint TextureLoader::getSharedTexture(const QString &) { return noTexture; }
GLuint TextureLoader::findTexture(const QString &, bool) { return 0; }
QString TextureLoader::textureName(GLuint) const { return {}; }
void TextureLoader::clear() {}
GLuint TextureLoader::loadTexture(const QString &) { return noTexture; }
void TextureLoader::filterChanged() {}
GLuint TextureLoader::cachedTexture(QMap<QString, GLuint> &, const QString &) { return noTexture; }
