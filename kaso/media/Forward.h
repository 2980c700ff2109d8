#pragma once

namespace kaso::media {

class MediaEngine;     // plays one source at a time: real, synthesized or null
class SeekQueue;       // pending and in-flight seeks, merged
struct VideoFrame;     // the latest decoded picture, ready for Cairo

enum class EngineKind : unsigned char;
enum class PlaybackState : unsigned char;

}
