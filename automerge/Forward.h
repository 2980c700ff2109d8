#pragma once

// The automerge library: an Automerge-compatible document core for map documents.
//
//   Document          the public document: get, put, transactions, save, load, merge
//   ActorId           the author of changes (16 random bytes by default)
//   ChangeHash        SHA-256 of a change chunk; heads are sorted hashes
//   ScalarValue       null, bool, int, uint, f64, str, bytes, counter, timestamp, unknown
//   Value, ObjId      what `get` returns: a scalar or a child object
//   OpStore           the in-memory op set (no codec knowledge)
//   storage/          bytes only: LEB128, chunks, columns, change and document chunks

namespace automerge {

class ActorId;
class Document;
class OpStore;
class ScalarValue;
struct ChangeHash;
struct CommitOptions;
struct Error;
struct LoadOptions;
struct ObjId;
struct Value;

}
