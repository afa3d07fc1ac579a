#include "render/mesh.h"

#include "gamedata/primitiveparser.h"
#include "render/indexbuffer.h"
#include "render/internal/glcore.h"
#include "render/material.h"
#include "render/materialloader.h"
#include "render/matrixstack.h"
#include "render/shaderprogram.h"
#include "render/vertexbuffer.h"
#include "render/visual.h"

#include <QOpenGLFunctions_3_2_Core>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {

void setMatrix(QOpenGLFunctions_3_2_Core *gl, ShaderProgram *program, const QString &name,
               const glm::mat4 &m)
{
    gl->glUniformMatrix4fv(program->uniform(name), 1, GL_FALSE, glm::value_ptr(m));
}

void setMatrix(QOpenGLFunctions_3_2_Core *gl, ShaderProgram *program, const QString &name,
               const glm::mat3 &m)
{
    gl->glUniformMatrix3fv(program->uniform(name), 1, GL_FALSE, glm::value_ptr(m));
}

void useProgram(QOpenGLFunctions_3_2_Core *gl, ShaderProgram *program)
{
    gl->glUseProgram(program && program->program ? program->program->programId() : 0);
}

} // namespace

Mesh::Mesh() = default;

Mesh::~Mesh()
{
    // The visual frees GL buffers and materials; it goes before the parser it was read
    // from, and the geometry records last.
    visual.reset();
    if (primitives) {
        primitives->clear();
    }
    primitives.reset();
    deleteGeometries();
}

void Mesh::translate(const glm::vec3 &v)
{
    mvp = glm::translate(mvp, v);
}

void Mesh::deleteGeometries()
{
    qDeleteAll(geometries);
    geometries.clear();
}

void Mesh::clearShared()
{
    deleteGeometries();
    if (primitives) {
        primitives->clear();
    }
    if (visual) {
        visual->clear();
    }
}

void Mesh::drawRenderSets(const GroupPass &pass, const std::function<void(Material *)> &camouflage)
{
    QOpenGLFunctions_3_2_Core *gl = internal::glCore();
    if (!gl || !visual) {
        return;
    }
    const MaterialLoader *loader = MaterialLoader::instance();
    const int materialIndex = loader ? loader->defaultIndex : 0;
    const MatrixStack *stack = MatrixStack::instance();
    const glm::mat3 normalMatrix = stack ? stack->normalMatrix : glm::mat3(1.0f);

    for (VisualRenderSet &renderSet : visual->renderSets) {
        for (VisualGeometryEntry &geometry : renderSet.geometries) {
            VertexBuffer *vertices = geometry.vertexBuffer;
            IndexBuffer *indices = geometry.indexBuffer.get();
            if (!vertices || !indices) {
                continue;
            }
            gl->glBindVertexArray(vertices->vao);
            for (const VertexAttribute *attribute : vertices->attributes) {
                gl->glEnableVertexAttribArray(attribute->location);
            }
            gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->buffer());

            for (const PrimitiveGroupMaterials &group : geometry.groups) {
                Material *own = materialIndex >= 0 && materialIndex < group.materials.size()
                                    ? group.materials[materialIndex]
                                    : nullptr;
                Material *material = own;
                if (pass.overrideMaterial) {
                    material = pass.overrideMaterial;
                    if (own) {
                        material->doubleSided = own->doubleSided;
                        material->identifier = own->identifier;
                    }
                }
                // Hidden materials (spaced armour the user chose to hide) are not drawn.
                if (!material || material->hidden) {
                    continue;
                }
                ShaderProgram *program =
                    pass.overrideProgram ? pass.overrideProgram : material->program;
                if (!program) {
                    continue;
                }
                if (pass.forceDoubleSided) {
                    material->doubleSided = true;
                }

                material->bind();
                if (pass.shadowPass) {
                    gl->glEnable(GL_CULL_FACE);
                }
                if (camouflage) {
                    camouflage(material);
                }
                if (program != material->program) {
                    useProgram(gl, program);
                }

                setMatrix(gl, program, QStringLiteral("ModelViewProj"), pass.matrices.mvp);
                setMatrix(gl, program, QStringLiteral("ModelView"), pass.matrices.modelView);
                setMatrix(gl, program, QStringLiteral("ModelView3"),
                          glm::mat3(pass.matrices.modelView));
                setMatrix(gl, program, QStringLiteral("Model"), pass.modelUniform);
                setMatrix(gl, program, QStringLiteral("NormalMatrix"), normalMatrix);
                setMatrix(gl, program, QStringLiteral("DepthBias"), pass.matrices.depthBias);

                if (const std::optional<GroupDrawRange> range =
                        groupDrawRange(*indices, group.groupIndex)) {
                    gl->glDrawElements(GL_TRIANGLES, range->indexCount, range->indexType,
                                       reinterpret_cast<const void *>(range->byteOffset));
                }

                if (pass.shadowPass) {
                    gl->glDisable(GL_CULL_FACE);
                }
                gl->glDisable(GL_BLEND);
                gl->glDisable(GL_CULL_FACE);
                for (int unit = 0; unit < material->textures.size(); ++unit) {
                    gl->glActiveTexture(GL_TEXTURE0 + GLenum(unit));
                    gl->glBindTexture(GL_TEXTURE_2D, 0);
                }
                gl->glUseProgram(0);
                gl->glActiveTexture(GL_TEXTURE0);
                gl->glBindTexture(GL_TEXTURE_2D, 0);
            }

            gl->glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
            for (const VertexAttribute *attribute : vertices->attributes) {
                gl->glDisableVertexAttribArray(attribute->location);
            }
            gl->glBindVertexArray(0);
        }
    }
}
