#pragma once

#include "TPreviewEngine.h"

#include <QOpenGLWidget>
#include <QPointer>

struct mpv_render_context;

// The preview's picture: mpv draws every frame into this widget's framebuffer through its
// render API, in the widget's own OpenGL context. mpv gets no window of its own, so it
// opens no display connection and probes no graphics API behind Qt's back.
//
// mpv's calls come from its own threads; they only post a queued call to this widget.
class TPreviewVideo : public QOpenGLWidget, public TPreviewEngine::VideoTarget
{
    Q_OBJECT
public:
    TPreviewVideo(TPreviewEngine *engine, QWidget *parent);
    ~TPreviewVideo() override;

    // Whether the widget can show a picture here: a window system whose windows Qt
    // composes with OpenGL, and an OpenGL context to be had. Elsewhere (offscreen) Qt
    // cannot even draw a window that holds an OpenGL widget.
    static bool IsSupported();

    void AttachCore(mpv_handle *mpv) override;
    void DetachCore() override;

protected:
    void initializeGL() override;
    void paintGL() override;

private slots:
    void FrameReady();

private:
    static void Update(void *context);
    void FreeRender();

    QPointer<TPreviewEngine> m_engine;
    mpv_render_context *m_render = nullptr;
};
