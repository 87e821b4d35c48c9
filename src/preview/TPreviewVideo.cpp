#include "TPreviewVideo.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QtDebug>

#include <mpv/render_gl.h>

namespace {

void *ProcAddress(void *, const char *name)
{
    QOpenGLContext *context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void *>(context->getProcAddress(name)) : nullptr;
}

} // namespace

TPreviewVideo::TPreviewVideo(TPreviewEngine *engine, QWidget *parent) : QOpenGLWidget(parent), m_engine(engine)
{
    engine->SetVideoTarget(this);
}

bool TPreviewVideo::IsSupported()
{
    static const bool supported = [] {
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("xcb") && !platform.startsWith(QLatin1String("wayland"))
            && platform != QLatin1String("eglfs"))
            return false;
        QOpenGLContext probe;
        return probe.create();
    }();
    return supported;
}

TPreviewVideo::~TPreviewVideo()
{
    if (m_engine)
        m_engine->SetVideoTarget(nullptr);
    FreeRender();
}

void TPreviewVideo::initializeGL()
{
    // The context goes when the widget moves to another window; the render context
    // made in it must go first.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TPreviewVideo::FreeRender, Qt::DirectConnection);
}

void TPreviewVideo::AttachCore(mpv_handle *mpv)
{
    FreeRender();
    // Before the widget was first shown there is no context; mpv then plays without a picture.
    makeCurrent();
    if (!context() || QOpenGLContext::currentContext() != context()) {
        qWarning("Preview: no OpenGL context, the preview shows no picture");
        return;
    }
    mpv_opengl_init_params gl{&ProcAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    const int error = mpv_render_context_create(&m_render, mpv, params);
    if (error < 0) {
        m_render = nullptr;
        qWarning("Preview: mpv cannot draw with this OpenGL context (%s)", mpv_error_string(error));
    } else {
        mpv_render_context_set_update_callback(m_render, &TPreviewVideo::Update, this);
    }
    doneCurrent();
}

void TPreviewVideo::DetachCore()
{
    FreeRender();
}

void TPreviewVideo::FreeRender()
{
    if (!m_render)
        return;
    // mpv releases its textures and buffers here: they belong to our context.
    makeCurrent();
    mpv_render_context_free(m_render);
    m_render = nullptr;
    doneCurrent();
    update();
}

void TPreviewVideo::Update(void *context)
{
    // An mpv thread: nothing but a note to the GUI thread.
    QMetaObject::invokeMethod(static_cast<TPreviewVideo *>(context), "FrameReady", Qt::QueuedConnection);
}

void TPreviewVideo::FrameReady()
{
    // A call posted just before the render context ended finds none.
    if (m_render && (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME))
        update();
}

void TPreviewVideo::paintGL()
{
    if (!m_render) {
        QOpenGLFunctions *gl = context()->functions();
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    mpv_opengl_fbo fbo{int(defaultFramebufferObject()), int(width() * ratio), int(height() * ratio), 0};
    int flipY = 1;
    // The GUI thread never sleeps until a frame is due; a frame shows up to one early.
    int block = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    mpv_render_context_render(m_render, params);
}
