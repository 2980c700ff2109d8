// A loopback stand-in for a Grayjay device, for the C++ sync tests and benchmark. It listens on
// 127.0.0.1 (ephemeral port), speaks the protocol version exchange, the Noise N pairing message
// and the IK handshake (noise-protocol), the authorization notices, ping and pong, and answers
// the sync messages the way a device does: it pings every few seconds, never closes after
// answering, and sends data kinds the desktop does not use before its history.
//
//   node grayjay-peer.js '{"secret":"<64 hex>","code":"1234","state":"/tmp/peers.json", ...}'
//
// Options: secret (static private key, hex), code (expected pairing code), state (file of
// paired client keys, kept across restarts), lifetime (ms until the process ends by itself),
// ping (ms between pings), unusedBytes (size of the unused kind sent before the history),
// subscriptions (channel urls to offer), history (items to offer), refuse (answer every
// connection with the unauthorized notice), withhold (ping but never send a notice), packages
// (several subscription packages, each a list of urls, sent in turn), historyText (the raw
// history payload to send instead of `history`), broadcast (channel urls of a package sent after
// the others, as a device broadcasts a subscription made meanwhile), dropMidPull (close the
// connection after the packages, before the history).
//
// Every event is one JSON line on stdout; the first is {"event":"listening","port":…}.
'use strict'

const fs = require('fs')
const net = require('net')
const zlib = require('zlib')
const crypto = require('crypto')
const sodium = require('sodium-universal')
const noise = require('noise-protocol')
const cipher = require('noise-protocol/cipher')()
const cipherState = require('noise-protocol/cipher-state')({ cipher })

const options = Object.assign({
  secret: '0303030303030303030303030303030303030303030303030303030303030303',
  code: null,
  state: null,
  lifetime: 60000,
  ping: 5000,
  unusedBytes: 100000,
  subscriptions: ['https://www.youtube.com/channel/UCnode1', 'https://www.youtube.com/channel/UCnode2'],
  history: [
    { video: { url: 'https://www.youtube.com/watch?v=node-a', name: 'A' }, position: 12 },
    { video: { name: 'no url' } },
    { other: true },
    { video: { url: 'https://www.youtube.com/watch?v=node-b' } }
  ],
  refuse: false,
  withhold: false,
  packages: null,
  historyText: null,
  broadcast: null,
  dropMidPull: false
}, JSON.parse(process.argv[2] || '{}'))

const MAX_PAYLOAD = 65512

function emit (event) { process.stdout.write(JSON.stringify(event) + '\n') }

const staticKey = { secretKey: Buffer.from(options.secret, 'hex'), publicKey: Buffer.alloc(32) }
sodium.crypto_scalarmult_base(staticKey.publicKey, staticKey.secretKey)

let paired = new Set()
if (options.state && fs.existsSync(options.state)) paired = new Set(JSON.parse(fs.readFileSync(options.state, 'utf8')))
function savePaired () {
  if (options.state) fs.writeFileSync(options.state, JSON.stringify([...paired]))
}

function u32 (value) { const b = Buffer.alloc(4); b.writeUInt32LE(value >>> 0); return b }

function packet (opcode, sub, encoding, payload) {
  return Buffer.concat([u32(payload.length + 3), Buffer.from([opcode, sub, encoding]), payload])
}

function encryptFrame (state, plaintext) {
  const out = Buffer.alloc(plaintext.length + 16)
  cipherState.encryptWithAd(state, out, Buffer.alloc(0), plaintext)
  return Buffer.concat([u32(out.length), out])
}

function decryptFrame (state, ciphertext) {
  const out = Buffer.alloc(ciphertext.length - 16)
  cipherState.decryptWithAd(state, out, Buffer.alloc(0), ciphertext)
  return out
}

function handle (socket) {
  socket.setNoDelay(true)
  let input = Buffer.alloc(0)
  let stage = 'version'
  let send = null
  let receive = null
  let authorized = false
  let pinger = null
  let nextStreamId = 0
  const streams = new Map()
  let benchReceived = 0

  function sendPacket (bytes) {
    if (!socket.destroyed) socket.write(encryptFrame(send, bytes))
  }

  function sendMessage (opcode, sub, payload, gzip) {
    const encoded = gzip ? zlib.gzipSync(payload) : payload
    const encoding = gzip ? 1 : 0
    if (encoded.length <= MAX_PAYLOAD) return sendPacket(packet(opcode, sub, encoding, encoded))
    const id = nextStreamId++
    sendPacket(packet(3, 0, 0, Buffer.concat([u32(id), u32(encoded.length), Buffer.from([opcode, sub, encoding]), encoded.subarray(0, MAX_PAYLOAD - 11)])))
    for (let offset = MAX_PAYLOAD - 11; offset < encoded.length; offset += MAX_PAYLOAD - 8) {
      const chunk = encoded.subarray(offset, offset + MAX_PAYLOAD - 8)
      const last = offset + chunk.length === encoded.length
      sendPacket(packet(3, last ? 2 : 1, 0, Buffer.concat([u32(id), u32(offset), chunk])))
    }
  }

  function sendJson (type, value) { sendMessage(4, type, Buffer.from(JSON.stringify(value)), true) }

  function sendPackage (urls) {
    sendJson(202, {
      subscriptions: urls.map((url, index) => ({
        channel: { id: { platform: 'YouTube', value: url, pluginId: null, claimType: 2 }, name: 'Channel ' + index, thumbnail: null, url, links: {}, urlAlternatives: [] },
        creationTime: 1700000000 + index
      })),
      subscriptionRemovals: {}
    })
  }

  function answerPull () {
    for (const urls of options.packages || [options.subscriptions]) sendPackage(urls)
    if (options.broadcast) {
      sendPackage(options.broadcast)
      emit({ event: 'broadcast' })
    }
    if (options.dropMidPull) {
      emit({ event: 'dropped' })
      socket.end()
      return
    }
    // Playlists and watch later come before the history; the first is sent raw so it can be
    // larger than a used kind may be.
    sendMessage(4, 205, crypto.randomBytes(options.unusedBytes), false)
    sendJson(206, { watchLater: [] })
    if (options.historyText !== null) sendMessage(4, 203, Buffer.from(options.historyText), true)
    else sendJson(203, options.history)
  }

  function onData (type, payload) {
    if (type === 150) {
      emit({ event: 'state-exchange', state: JSON.parse(payload.toString()) })
      answerPull()
    } else if (type === 202) {
      const pkg = JSON.parse(payload.toString())
      emit({ event: 'pushed', subscriptions: pkg.subscriptions.map(s => ({ url: s.channel.url, creationTime: s.creationTime })), raw: pkg })
    } else if (type === 240) {
      // Benchmark: send the requested number of bytes back in messages of at most 8 MiB.
      let left = JSON.parse(payload.toString()).bytes
      while (left > 0) {
        const size = Math.min(left, 8388608)
        sendMessage(4, 241, Buffer.alloc(size, 7), false)
        left -= size
      }
    } else if (type === 242) {
      benchReceived += payload.length
    } else if (type === 243) {
      sendJson(244, { received: benchReceived })
      benchReceived = 0
    }
  }

  function onPacket (bytes) {
    const size = bytes.readUInt32LE(0)
    if (size !== bytes.length - 4) throw new Error('bad packet size')
    const opcode = bytes[4]
    const sub = bytes[5]
    const encoding = bytes[6]
    const payload = bytes.subarray(7)
    if (opcode === 0) return sendPacket(packet(1, 0, 0, Buffer.alloc(0)))
    if (opcode === 2 && sub === 0) {
      const idLength = payload[0]
      const name = payload.subarray(2 + idLength, 2 + idLength + payload[1 + idLength]).toString()
      emit({ event: 'client-authorized', name })
      return
    }
    if (opcode === 4) return onData(sub, encoding === 1 ? zlib.gunzipSync(payload) : payload)
    if (opcode === 3) {
      const id = payload.readUInt32LE(0)
      const number = payload.readUInt32LE(4)
      if (sub === 0) {
        streams.set(id, { opcode: payload[8], sub: payload[9], encoding: payload[10], total: number, chunks: [payload.subarray(11)] })
      } else {
        const stream = streams.get(id)
        stream.chunks.push(payload.subarray(8))
        if (sub === 2) {
          streams.delete(id)
          const whole = Buffer.concat(stream.chunks)
          if (stream.opcode === 4) onData(stream.sub, stream.encoding === 1 ? zlib.gunzipSync(whole) : whole)
        }
      }
    }
  }

  function onHandshake (body) {
    const pairingLength = body.readUInt32LE(4)
    const pairingMessage = body.subarray(8, 8 + pairingLength)
    const ikMessage = body.subarray(8 + pairingLength)
    let code = null
    if (pairingLength > 0) {
      const n = noise.initialize('N', false, Buffer.alloc(0), staticKey)
      const out = Buffer.alloc(pairingMessage.length)
      noise.readMessage(n, pairingMessage, out)
      code = out.subarray(0, noise.readMessage.bytes).toString()
    }
    const ik = noise.initialize('IK', false, Buffer.alloc(0), staticKey)
    noise.readMessage(ik, ikMessage, Buffer.alloc(512))
    const client = Buffer.from(ik.rs).toString('base64')
    const reply = Buffer.alloc(512)
    const split = noise.writeMessage(ik, Buffer.alloc(0), reply)
    // noise-protocol gives a side that finishes by writing { tx: c1, rx: c2 }; the responder
    // sends with c2 and receives with c1.
    send = split.rx
    receive = split.tx
    const message = reply.subarray(0, noise.writeMessage.bytes)
    socket.write(Buffer.concat([u32(message.length), message]))

    if (code !== null && code === options.code) {
      paired.add(client)
      savePaired()
      emit({ event: 'paired', client, code })
    }
    authorized = !options.refuse && paired.has(client)
    if (code !== null && code !== options.code) emit({ event: 'wrong-code', code })
    emit({ event: 'handshake', client, authorized })
    const id = Buffer.from(crypto.randomUUID())
    const name = Buffer.from('Node Grayjay')
    if (options.withhold) {
      pinger = setInterval(() => sendPacket(packet(0, 0, 0, Buffer.alloc(0))), options.ping)
    } else if (authorized) {
      sendPacket(packet(2, 0, 0, Buffer.concat([Buffer.from([id.length]), id, Buffer.from([name.length]), name])))
      pinger = setInterval(() => sendPacket(packet(0, 0, 0, Buffer.alloc(0))), options.ping)
    } else {
      sendPacket(packet(2, 1, 0, Buffer.alloc(0)))
    }
  }

  socket.on('data', (chunk) => {
    input = Buffer.concat([input, chunk])
    try {
      while (true) {
        if (stage === 'version') {
          if (input.length < 4) return
          emit({ event: 'version', version: input.readInt32LE(0) })
          input = input.subarray(4)
          socket.write(u32(5))
          stage = 'handshake'
        } else if (stage === 'handshake') {
          if (input.length < 4) return
          const total = input.readUInt32LE(0)
          if (input.length < 4 + total) return
          const body = input.subarray(4, 4 + total)
          input = input.subarray(4 + total)
          stage = 'frames'
          onHandshake(body)
        } else {
          if (input.length < 4) return
          const length = input.readUInt32LE(0)
          if (input.length < 4 + length) return
          const frame = input.subarray(4, 4 + length)
          input = input.subarray(4 + length)
          onPacket(decryptFrame(receive, frame))
        }
      }
    } catch (error) {
      emit({ event: 'error', message: String(error && error.message) })
      socket.destroy()
    }
  })
  socket.on('end', () => { emit({ event: 'client-closed' }); socket.end() })
  socket.on('close', () => { if (pinger) clearInterval(pinger) })
  socket.on('error', () => {})
}

const server = net.createServer(handle)
server.listen(0, '127.0.0.1', () => {
  emit({ event: 'listening', port: server.address().port, publicKey: staticKey.publicKey.toString('base64') })
})
// The peer always ends by itself: after its lifetime, or when its parent closes stdin.
setTimeout(() => process.exit(0), options.lifetime)
process.stdin.on('end', () => process.exit(0))
process.stdin.resume()
