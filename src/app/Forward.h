#pragma once

// The application core: the top of the tree. It may use everything below it (screens, widgets,
// actions, model, backend, history, sync, kaso); nothing below includes it.
//
// - VexaApp: the root widget; builds the route's page tree, draws it, routes input.
// - AppState: the application's state and operations, driven by tests without widgets; its
//   frame (AppFrame.cpp) is one pass of named steps and the one drain of worker results, and
//   AppActions.cpp carries out UI actions.
// - PlaybackPolicy, EdgeSwipe, WindowLayout: the player's rules, the back gesture, and how the
//   window divides between rail and page.
// - LaunchStates, Launch: the states launch flags and diagnostic modes select; the descriptor.
// - ApplyWorkerMessage, FetchWorker, WorkerMessages: the fetch worker's client and the pure
//   application of its results.
// - LibraryDocument, OwnerHistory, DeviceSync, Operations: where the library document, the
//   owner-local history, device sync and operation calls plug in.
// - NavigationHistory, SharedText, DeepLinks: small values the core shares with its pages.

namespace vexa {

class AppState;            // the application's state and operations
class ControlInvocations;  // the device-sync invocations waiting for the runtime
class EdgeSwipe;           // the edge-swipe back gesture
class FetchWorker;         // the handle on the fetch thread
class LibraryDocument;     // reads and changes the shared library document
class OwnerHistory;        // the owner-local watch history as the application uses it
class PlaybackPolicy;      // what the player does as route and playhead move
class SharedText;          // a text shared with one text input
class VexaApp;             // the root widget
class WindowLayout;        // the rail and page widths
struct DeviceSyncHandle;   // the application's side of device sync
struct NavigationHistory;  // the current route and its back stack

}
