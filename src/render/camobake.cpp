#include "render/camobake.h"

#include "render/internal/glcore.h"
#include "render/shaderloader.h"
#include "render/shaderprogram.h"
#include "render/textureloader.h"
#include "render/vertexattribute.h"

#include "core/constants.h"
#include "core/dialogs.h"
#include "core/filemanager.h"
#include "core/log.h"
#include "core/savefile.h"
#include "core/settings.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_2_Core>

#include <nvtt/nvtt.h>

#include <memory>
#include <vector>

namespace {

// From EXT_texture_filter_anisotropic.
constexpr GLenum kTextureMaxAnisotropy = 0x84FE;
constexpr GLenum kMaxTextureMaxAnisotropy = 0x84FF;

// Hands nvtt's output straight to the device and remembers a failed write.
class DeviceOutput : public nvtt::OutputHandler
{
public:
    explicit DeviceOutput(QIODevice &device)
        : mDevice(device)
    {
    }
    void beginImage(int, int, int, int, int, int) override { }
    bool writeData(const void *data, int size) override
    {
        if (size < 0 || mDevice.write(static_cast<const char *>(data), size) != size) {
            mFailed = true;
        }
        return !mFailed;
    }
    bool failed() const { return mFailed; }

private:
    QIODevice &mDevice;
    bool mFailed = false;
};

} // namespace

QString bakeOutputPath(const QString &modPath, const QString &gamePath)
{
    return QDir::toNativeSeparators(targetInsideFolder(modPath, gamePath));
}

DdsTextureSize gameTextureSize(const QString &gamePath)
{
    const Settings *settings = Settings::instance();
    FileManager *files = FileManager::instance();
    std::unique_ptr<QBuffer> buffer;
    if (settings && files && settings->brastelPathValid && !settings->brastelPath.isEmpty()) {
        buffer.reset(files->openPlainFile(
            QDir::toNativeSeparators(settings->brastelPath + QStringLiteral("/res/") + gamePath)));
    }
    if (!buffer && files) {
        buffer.reset(files->readFromZips(QDir::toNativeSeparators(gamePath)));
    }
    if (!buffer) {
        return DdsTextureSize();
    }
    return ddsTextureSize(buffer->data().left(128));
}

bool saveDdsFile(QIODevice &device, const void *pixels, quint32 width, quint32 height,
                 bool generateMipmaps)
{
    // nvtt crashes on an empty image and takes its sizes as int.
    if (!pixels || width == 0 || height == 0 || width > 32768 || height > 32768) {
        return false;
    }
    nvtt::InputOptions input;
    input.setTextureLayout(nvtt::TextureType_2D, int(width), int(height), 1);
    input.setMipmapData(pixels, int(width), int(height), 1, 0, 0);
    input.setMipmapGeneration(generateMipmaps, -1);
    DeviceOutput handler(device);
    nvtt::OutputOptions output;
    output.setOutputHandler(&handler);
    nvtt::CompressionOptions compression;
    compression.setFormat(nvtt::Format_DXT1);
    nvtt::Compressor compressor;
    compressor.enableCudaAcceleration(true);
    return compressor.process(input, compression, output) && !handler.failed();
}

bool saveDdsFile(const QString &path, const void *pixels, quint32 width, quint32 height,
                 bool generateMipmaps)
{
    // Encoded whole in memory first: the file is replaced only by a complete one.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return saveDdsFile(static_cast<QIODevice &>(buffer), pixels, width, height, generateMipmaps)
           && saveFileBytes(path, bytes);
}

bool createBakeFramebuffer(CamoBakeJob &job, int width, int height)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    job.framebuffer = std::make_unique<QOpenGLFramebufferObject>(width, height, GL_TEXTURE_2D);
    if (!gl || !job.framebuffer->isValid()) {
        return false;
    }
    gl->glBindTexture(GL_TEXTURE_2D, job.framebuffer->texture());
    const QOpenGLContext *context = QOpenGLContext::currentContext();
    if (context && context->hasExtension(QByteArrayLiteral("GL_EXT_texture_filter_anisotropic"))) {
        GLfloat maximum = 1.0f;
        gl->glGetFloatv(kMaxTextureMaxAnisotropy, &maximum);
        gl->glTexParameterf(GL_TEXTURE_2D, kTextureMaxAnisotropy, maximum);
    }
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        job.noMipmaps ? GL_LINEAR : GL_LINEAR_MIPMAP_LINEAR);
    gl->glGenerateMipmap(GL_TEXTURE_2D);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    return true;
}

void createBakeQuad(CamoBakeJob &job)
{
    // x, y, z, u, v: a strip over the whole target, t = 0 at the bottom row.
    static const float vertices[] = {1.0f, 1.0f,  0.0f, 1.0f, 1.0f, -1.0f, 1.0f,  0.0f, 0.0f, 1.0f,
                                     1.0f, -1.0f, 0.0f, 1.0f, 0.0f, -1.0f, -1.0f, 0.0f, 0.0f, 0.0f};
    job.quad = std::make_unique<VertexBuffer>();
    job.quad->setAttributes({new VertexAttribute {2, 0}, new VertexAttribute {1, 1}});
    job.quad->create(4, vertices);
}

void renderBake(CamoBakeJob &job)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    ShaderLoader *shaders = ShaderLoader::instance();
    TextureLoader *textures = TextureLoader::instance();
    if (!gl || !job.quad || !shaders || !shaders->camoSaverProgram || !textures) {
        return;
    }
    ShaderProgram *program = shaders->camoSaverProgram;
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gl->glDisable(GL_BLEND);
    // The view leaves culling and depth on; the quad must be drawn whatever its winding.
    const GLboolean culling = gl->glIsEnabled(GL_CULL_FACE);
    const GLboolean depth = gl->glIsEnabled(GL_DEPTH_TEST);
    gl->glDisable(GL_CULL_FACE);
    gl->glDisable(GL_DEPTH_TEST);
    job.quad->bind();
    program->program->bind();
    textures->bind(0, textures->findTexture(job.diffusePath, true));
    textures->bind(1, textures->findTexture(job.exclusionPath, true));
    textures->bind(2, job.camoTexture);
    // The quad maps texel to pixel; an anisotropic filter has nothing to add there,
    // and some drivers blur with it. The loader sets its own again at the next bind.
    const QOpenGLContext *context = QOpenGLContext::currentContext();
    if (context && context->hasExtension(QByteArrayLiteral("GL_EXT_texture_filter_anisotropic"))) {
        for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
            gl->glActiveTexture(unit);
            gl->glTexParameterf(GL_TEXTURE_2D, kTextureMaxAnisotropy, 1.0f);
        }
    }
    gl->glUniform1i(program->uniform(QStringLiteral("diffuseMap0")), 0);
    gl->glUniform1i(program->uniform(QStringLiteral("exclusionMap")), 1);
    gl->glUniform1i(program->uniform(QStringLiteral("camoMap")), 2);
    const glm::vec4 &t = job.tiling;
    gl->glUniform4f(program->uniform(QStringLiteral("camoTiling")), t.x, t.y, t.z, t.w);
    for (int k = 0; k < 4; ++k) {
        const glm::vec4 c = job.colors[std::size_t(k)] * 0.003921569f;
        gl->glUniform4f(program->uniform(QStringLiteral("camoColor") + QString::number(k)), c.x,
                        c.y, c.z, c.w);
    }
    gl->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    job.quad->unbind();
    gl->glDisable(GL_BLEND);
    program->program->release();
    gl->glActiveTexture(GL_TEXTURE0);
    if (culling) {
        gl->glEnable(GL_CULL_FACE);
    }
    if (depth) {
        gl->glEnable(GL_DEPTH_TEST);
    }
}

BakeResult saveBake(CamoBakeJob &job, QWidget *dialogParent)
{
    const Settings *settings = Settings::instance();
    const QString output =
        bakeOutputPath(settings ? settings->modPath : QString(), job.diffusePath);
    if (output.isEmpty()) {
        logLine(QStringLiteral("Camouflage bake: ") + job.diffusePath
                    + QStringLiteral(" lies outside the mod folder; skipped."),
                Warning);
        return BakeResult::Failed;
    }
    logLine(QStringLiteral("Saving baked camo file: ") + output, Info);

    if (QFileInfo::exists(output)) {
        const int answer = showWarning(
            dialogParent, APP_NAME,
            QObject::tr("WARNING! ") + output
                + QObject::tr(" already exists.\nAre you sure you want to overwrite this file?"),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer != QMessageBox::Ok) {
            return BakeResult::Declined;
        }
    }

    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    QOpenGLContext *context = QOpenGLContext::currentContext();
    if (!gl || !context) {
        logLine(QStringLiteral("Camouflage bake: no GL context for ") + output, Warning);
        return BakeResult::Failed;
    }
    const DdsTextureSize size = gameTextureSize(job.diffusePath);
    GLint maxSize = 0;
    gl->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (size.width == 0 || size.height == 0 || size.width > quint32(maxSize)
        || size.height > quint32(maxSize)) {
        logLine(QStringLiteral("Camouflage bake: the game's ") + job.diffusePath
                    + QStringLiteral(" has size ") + QString::number(size.width)
                    + QStringLiteral(" x ") + QString::number(size.height)
                    + QStringLiteral(", outside 1..") + QString::number(maxSize)
                    + QStringLiteral("; nothing written."),
                Warning);
        return BakeResult::Failed;
    }
    const int width = int(size.width);
    const int height = int(size.height);
    if (!createBakeFramebuffer(job, width, height)) {
        logLine(QStringLiteral("Camouflage bake: no usable framebuffer of ")
                    + QString::number(width) + QStringLiteral(" x ") + QString::number(height)
                    + QStringLiteral("; nothing written."),
                Warning);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
        return BakeResult::Failed;
    }
    createBakeQuad(job);

    GLint viewport[4] = {0, 0, 0, 0};
    gl->glGetIntegerv(GL_VIEWPORT, viewport);
    gl->glViewport(0, 0, width, height);
    job.framebuffer->bind();
    renderBake(job);

    // Read in the target's own row order: row 0 is t = 0, the DDS's first row.
    std::vector<unsigned char> pixels(std::size_t(width) * std::size_t(height) * 4);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
    gl->glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // The view's own framebuffer, never 0: a widget draws into an object of its own.
    gl->glBindFramebuffer(GL_FRAMEBUFFER, context->defaultFramebufferObject());
    gl->glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        std::swap(pixels[i], pixels[i + 2]);
    }

    BakeResult result = BakeResult::Written;
    const QString modPath = settings ? settings->modPath : QString();
    if (!makeFolderInside(modPath, QFileInfo(output).path())
        || !saveDdsFile(output, pixels.data(), quint32(width), quint32(height), !job.noMipmaps)) {
        logLine(QStringLiteral("Failed to save camo bake file: ") + output, Warning);
        result = BakeResult::Failed;
    }
    logLine(QStringLiteral("Saving baked camo file: Done"), Info);
    return result;
}
