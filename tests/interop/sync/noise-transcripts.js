// Handshake and transport transcripts of the two Noise patterns that device sync speaks, made by
// the npm `noise-protocol` package with fixed static and ephemeral keys, so the C++ side can be
// held to them byte for byte.
//
//   node noise-transcripts.js            prints the transcripts as JSON
//   node noise-transcripts.js --check F  exits 0 when F holds exactly these transcripts
'use strict'

const fs = require('fs')
const sodium = require('sodium-universal')
const baseDh = require('noise-protocol/dh')()
const cipher = require('noise-protocol/cipher')()
const cipherState = require('noise-protocol/cipher-state')({ cipher })

function keyPairOf (secretHex) {
  const secretKey = Buffer.from(secretHex, 'hex')
  const publicKey = Buffer.alloc(32)
  sodium.crypto_scalarmult_base(publicKey, secretKey)
  return { publicKey, secretKey }
}

// A handshake module whose ephemeral keys come from a fixed list instead of the random source.
function handshakeWithEphemerals (ephemerals) {
  const queue = ephemerals.slice()
  const dh = Object.assign({}, baseDh, {
    generateKeypair (pk, sk) {
      const next = queue.shift()
      pk.set(next.publicKey)
      sk.set(next.secretKey)
    }
  })
  const hash = require('noise-protocol/hash')({ dh })
  const symmetricState = require('noise-protocol/symmetric-state')({ hash, cipherState })
  return require('noise-protocol/handshake-state')({ dh, hash, cipher, cipherState, symmetricState })
}

function encrypt (state, plaintext) {
  const out = Buffer.alloc(plaintext.length + 16)
  cipherState.encryptWithAd(state, out, Buffer.alloc(0), plaintext)
  return out.subarray(0, cipherState.encryptWithAd.bytesWritten)
}

function decrypt (state, ciphertext) {
  const out = Buffer.alloc(ciphertext.length - 16)
  cipherState.decryptWithAd(state, out, Buffer.alloc(0), ciphertext)
  return out.subarray(0, cipherState.decryptWithAd.bytesWritten)
}

const keys = {
  initiator_static: '0101010101010101010101010101010101010101010101010101010101010101',
  initiator_ephemeral: '0202020202020202020202020202020202020202020202020202020202020202',
  responder_static: '0303030303030303030303030303030303030303030303030303030303030303',
  responder_ephemeral: '0404040404040404040404040404040404040404040404040404040404040404',
  pairing_ephemeral: '0505050505050505050505050505050505050505050505050505050505050505'
}

function ikTranscript () {
  const is = keyPairOf(keys.initiator_static)
  const rs = keyPairOf(keys.responder_static)
  const initiatorNoise = handshakeWithEphemerals([keyPairOf(keys.initiator_ephemeral)])
  const responderNoise = handshakeWithEphemerals([keyPairOf(keys.responder_ephemeral)])
  const initiator = initiatorNoise.initialize('IK', true, Buffer.alloc(0), is, null, rs.publicKey)
  const responder = responderNoise.initialize('IK', false, Buffer.alloc(0), rs)

  const message1 = Buffer.alloc(512)
  initiatorNoise.writeMessage(initiator, Buffer.alloc(0), message1)
  const m1 = message1.subarray(0, initiatorNoise.writeMessage.bytes)
  responderNoise.readMessage(responder, m1, Buffer.alloc(512))

  const message2 = Buffer.alloc(512)
  const responderSplit = responderNoise.writeMessage(responder, Buffer.alloc(0), message2)
  const m2 = message2.subarray(0, responderNoise.writeMessage.bytes)
  const initiatorSplit = initiatorNoise.readMessage(initiator, m2, Buffer.alloc(512))

  // noise-protocol hands back its split in read/write order, not in Noise's order: a side that
  // ends the handshake by reading gets { rx: c1, tx: c2 }, one that ends by writing { tx: c1,
  // rx: c2 }. Noise sends initiator-to-responder with c1, so both sides are mapped explicitly.
  const initiatorSend = initiatorSplit.rx
  const initiatorReceive = initiatorSplit.tx
  const responderSend = responderSplit.rx
  const responderReceive = responderSplit.tx

  const transport = []
  const texts = ['ping from the desktop', 'pong from the device', 'second desktop frame', '']
  texts.forEach((text, index) => {
    const fromInitiator = index % 2 === 0
    const plaintext = Buffer.from(text)
    const ciphertext = encrypt(fromInitiator ? initiatorSend : responderSend, plaintext)
    const back = decrypt(fromInitiator ? responderReceive : initiatorReceive, ciphertext)
    if (!back.equals(plaintext)) throw new Error('transport round trip failed')
    transport.push({ from: fromInitiator ? 'initiator' : 'responder', plaintext: plaintext.toString('hex'), ciphertext: ciphertext.toString('hex') })
  })
  return { message1: m1.toString('hex'), message2: m2.toString('hex'), transport }
}

function nTranscript () {
  const rs = keyPairOf(keys.responder_static)
  const noise = handshakeWithEphemerals([keyPairOf(keys.pairing_ephemeral)])
  const initiator = noise.initialize('N', true, Buffer.alloc(0), null, null, rs.publicKey)
  const out = Buffer.alloc(512)
  const payload = Buffer.from('12345678')
  noise.writeMessage(initiator, payload, out)
  return { payload: payload.toString('hex'), message: out.subarray(0, noise.writeMessage.bytes).toString('hex') }
}

const transcripts = { keys, ik: ikTranscript(), n: nTranscript() }
const text = JSON.stringify(transcripts, null, 2) + '\n'

if (process.argv[2] === '--check') {
  const expected = fs.readFileSync(process.argv[3], 'utf8')
  if (expected !== text) {
    console.error('the committed transcripts differ from what noise-protocol produces')
    process.exit(1)
  }
  console.log('transcripts match noise-protocol')
} else {
  process.stdout.write(text)
}
