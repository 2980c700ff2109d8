#pragma once

namespace kaso::media {

class MediaEngine;     // plays one source at a time: real, synthesized or null
class MediaControls;   // the desktop's media controls (MPRIS on the session bus)
class SeekQueue;       // pending and in-flight seeks, merged
struct MediaCommand;   // a request from the desktop's media controls
struct NowPlaying;     // what the media controls show about the current item
struct VideoFrame;     // the latest decoded picture, ready for Cairo

enum class ControlsStatus : unsigned char;
enum class EngineKind : unsigned char;
enum class PlaybackState : unsigned char;

}
