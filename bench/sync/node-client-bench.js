// The same measurements as sync_bench, made by a Node client (noise-protocol) against the same
// Node device stand-in, for comparison: handshake time and 16 MiB each way over loopback.
//
//   node bench/sync/node-client-bench.js
'use strict'

const path = require('path')
const interop = path.join(__dirname, '..', '..', 'tests', 'interop')
const req = (name) => require(require.resolve(name, { paths: [interop] }))
const net = require('net')
const os = require('os')
const fs = require('fs')
const crypto = require('crypto')
const { spawn } = require('child_process')
const sodium = req('sodium-universal')
const noise = req('noise-protocol')
const cipher = req('noise-protocol/cipher')()
const cipherState = req('noise-protocol/cipher-state')({ cipher })

const MAX_PAYLOAD = 65512
const STREAM_BYTES = 16 * 1024 * 1024

function u32 (value) { const b = Buffer.alloc(4); b.writeUInt32LE(value >>> 0); return b }
function packet (op, sub, enc, payload) { return Buffer.concat([u32(payload.length + 3), Buffer.from([op, sub, enc]), payload]) }

const client = { secretKey: crypto.randomBytes(32), publicKey: Buffer.alloc(32) }
sodium.crypto_scalarmult_base(client.publicKey, client.secretKey)

function connect (port, peerKey, code) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1')
    socket.setNoDelay(true)
    let input = Buffer.alloc(0)
    let stage = 'version'
    let send, receive, ik
    const session = { socket, onMessage: null, streams: new Map(), nextId: 0 }
    session.sendPacket = (bytes) => {
      const out = Buffer.alloc(bytes.length + 16)
      cipherState.encryptWithAd(send, out, Buffer.alloc(0), bytes)
      socket.write(Buffer.concat([u32(out.length), out]))
    }
    session.sendMessage = (op, sub, payload) => {
      if (payload.length <= MAX_PAYLOAD) return session.sendPacket(packet(op, sub, 0, payload))
      const id = session.nextId++
      session.sendPacket(packet(3, 0, 0, Buffer.concat([u32(id), u32(payload.length), Buffer.from([op, sub, 0]), payload.subarray(0, MAX_PAYLOAD - 11)])))
      for (let offset = MAX_PAYLOAD - 11; offset < payload.length; offset += MAX_PAYLOAD - 8) {
        const chunk = payload.subarray(offset, offset + MAX_PAYLOAD - 8)
        session.sendPacket(packet(3, offset + chunk.length === payload.length ? 2 : 1, 0, Buffer.concat([u32(id), u32(offset), chunk])))
      }
    }
    socket.on('connect', () => {
      socket.write(u32(5))
      ik = noise.initialize('IK', true, Buffer.alloc(0), client, null, peerKey)
      let pairing = Buffer.alloc(0)
      if (code) {
        const n = noise.initialize('N', true, Buffer.alloc(0), null, null, peerKey)
        const out = Buffer.alloc(512)
        noise.writeMessage(n, Buffer.from(code), out)
        pairing = out.subarray(0, noise.writeMessage.bytes)
      }
      const first = Buffer.alloc(512)
      noise.writeMessage(ik, Buffer.alloc(0), first)
      const m1 = first.subarray(0, noise.writeMessage.bytes)
      socket.write(Buffer.concat([u32(8 + pairing.length + m1.length), u32(0), u32(pairing.length), pairing, m1]))
    })
    socket.on('data', (chunk) => {
      input = Buffer.concat([input, chunk])
      while (true) {
        if (stage === 'version') {
          if (input.length < 4) return
          input = input.subarray(4)
          stage = 'reply'
        } else if (stage === 'reply') {
          if (input.length < 4 || input.length < 4 + input.readUInt32LE(0)) return
          const length = input.readUInt32LE(0)
          const split = noise.readMessage(ik, input.subarray(4, 4 + length), Buffer.alloc(512))
          input = input.subarray(4 + length)
          // A side that finishes by reading gets { rx: c1, tx: c2 }: the initiator sends with c1.
          send = split.rx
          receive = split.tx
          stage = 'frames'
          const id = Buffer.from(crypto.randomUUID())
          const name = Buffer.from('Node client')
          session.sendPacket(packet(2, 0, 0, Buffer.concat([Buffer.from([id.length]), id, Buffer.from([name.length]), name])))
        } else {
          if (input.length < 4 || input.length < 4 + input.readUInt32LE(0)) return
          const length = input.readUInt32LE(0)
          const frame = input.subarray(4, 4 + length)
          input = input.subarray(4 + length)
          const plain = Buffer.alloc(frame.length - 16)
          cipherState.decryptWithAd(receive, plain, Buffer.alloc(0), frame)
          const op = plain[4]
          const sub = plain[5]
          const payload = plain.subarray(7)
          if (op === 0) session.sendPacket(packet(1, 0, 0, Buffer.alloc(0)))
          else if (op === 2 && sub === 0) resolve(session)
          else if (op === 2) reject(new Error('unauthorized'))
          else if (op === 4 && session.onMessage) session.onMessage(sub, payload)
          else if (op === 3) {
            const id = payload.readUInt32LE(0)
            if (sub === 0) session.streams.set(id, { sub: payload[9], size: payload.length - 11 })
            else {
              const stream = session.streams.get(id)
              stream.size += payload.length - 8
              if (sub === 2) { session.streams.delete(id); if (session.onMessage) session.onMessage(stream.sub, { length: stream.size }) }
            }
          }
        }
      }
    })
    socket.on('error', reject)
  })
}

function nextMessage (session, type) {
  return new Promise((resolve) => {
    session.onMessage = (sub, payload) => { if (sub === type) { session.onMessage = null; resolve(payload) } }
  })
}

async function main () {
  const state = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'vexa-node-bench-')), 'peers.json')
  const peer = spawn(process.execPath, [path.join(interop, 'sync', 'grayjay-peer.js'), JSON.stringify({ code: '1', state, lifetime: 120000 })], { stdio: ['pipe', 'pipe', 'inherit'] })
  const listening = await new Promise((resolve) => {
    let text = ''
    peer.stdout.on('data', (chunk) => {
      text += chunk
      const line = text.split('\n')[0]
      if (text.includes('\n')) { try { resolve(JSON.parse(line)) } catch (e) {} }
    })
  })
  const peerKey = Buffer.from(listening.publicKey, 'base64')
  ;(await connect(listening.port, peerKey, '1')).socket.destroy()

  const rounds = 200
  let started = process.hrtime.bigint()
  for (let i = 0; i < rounds; ++i) (await connect(listening.port, peerKey, null)).socket.destroy()
  const handshakeUs = Number(process.hrtime.bigint() - started) / 1000 / rounds

  const session = await connect(listening.port, peerKey, null)
  const half = Buffer.alloc(STREAM_BYTES / 2, 0x5a)
  const uploads = 20
  started = process.hrtime.bigint()
  for (let i = 0; i < uploads; ++i) {
    session.sendMessage(4, 242, half)
    session.sendMessage(4, 242, half)
    session.sendMessage(4, 243, Buffer.from('{}'))
    await nextMessage(session, 244)
  }
  const uploadMs = Number(process.hrtime.bigint() - started) / 1e6 / uploads

  started = process.hrtime.bigint()
  for (let i = 0; i < uploads; ++i) {
    session.sendMessage(4, 240, Buffer.from(JSON.stringify({ bytes: STREAM_BYTES })))
    await nextMessage(session, 241)
    await nextMessage(session, 241)
  }
  const downloadMs = Number(process.hrtime.bigint() - started) / 1e6 / uploads
  session.socket.destroy()
  peer.stdin.end()

  const mib = STREAM_BYTES / 1048576
  console.log(JSON.stringify({
    client: 'node noise-protocol',
    handshake_us: Math.round(handshakeUs),
    upload_16mib_ms: Math.round(uploadMs * 10) / 10,
    upload_mib_per_s: Math.round(mib / (uploadMs / 1000)),
    download_16mib_ms: Math.round(downloadMs * 10) / 10,
    download_mib_per_s: Math.round(mib / (downloadMs / 1000))
  }))
}

main().catch((error) => { console.error(error); process.exit(1) })
