#pragma once

// The device-sync library's types, for headers that only name them.
namespace vexa::sync {

class GrayjaySyncProvider;  // pairing, pull and push with Grayjay devices
class MessageReceiver;      // packets and stream reassembly above the cipher
class PayloadMerger;        // de-duplicating merge of pulled payloads
class PeerStore;            // grayjay-peers.json
class SecretBytes;          // key material wiped on release
class SyncProvider;         // what the worker drives
class SyncSession;          // one authorized, encrypted connection
class TcpStream;            // an outgoing TCP connection with time-outs
struct DeviceSyncError;     // the error of every device-sync operation
struct KeyBlock;            // the installation's static key pair
struct PeerDescriptor;      // how to reach a known peer
struct PeerRecord;          // one known device
struct SyncDeviceInfo;      // an invite's content
struct SyncMessage;         // what a session receives
struct SyncPayload;         // one pass's subscriptions and history

}
