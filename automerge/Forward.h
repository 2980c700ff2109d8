#pragma once

// The automerge library: an Automerge-compatible document core for map documents.
//
//   Document          the public document: get, put, transactions, save, load, merge
//   Transaction       an open transaction on a document (what a document action writes through)
//   ActorId           the author of changes (16 random bytes by default)
//   ChangeHash        SHA-256 of a change chunk; heads are sorted hashes
//   ScalarValue       null, bool, int, uint, f64, str, bytes, counter, timestamp, unknown
//   Value, ObjId      what `get` returns: a scalar or a child object
//   OpStore           the in-memory op set (no codec knowledge)
//   storage/          bytes only: LEB128 and the parser kit (Reader), chunks and SHA-256,
//                     deflate, columns/ (specs, encoders, decoders, raw column blocks), change
//                     chunks, document chunks
//
// Document.cpp holds reads, writes and commits; DocumentSave.cpp adapts the op store to the
// document encoder; DocumentLoad.cpp turns chunks into changes; DocumentReconstruct.cpp loads a
// document chunk and rebuilds its changes to check them against the stored heads.

namespace automerge {

class ActorId;
class Document;
class OpStore;
class Transaction;
class ScalarValue;
struct ChangeHash;
struct CommitOptions;
struct Error;
struct LoadOptions;
struct ObjId;
struct Value;

}
