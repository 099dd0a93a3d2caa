// Drives the built zorvi-mcp with the official MCP TypeScript client over
// stdio, on a library filled by mcp_fixture, and checks what the store then
// holds through the same fixture.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import { Client } from '@modelcontextprotocol/sdk/client/index.js';
import { StdioClientTransport } from '@modelcontextprotocol/sdk/client/stdio.js';
import { decodePng } from './png.mjs';

const server = process.env.ZORVI_MCP;
const fixture = process.env.MCP_FIXTURE;
assert.ok(server && fixture, 'ZORVI_MCP and MCP_FIXTURE must name the built programs');

let home;
let ids;
let client;

const environment = () => ({ ...process.env, ZORVI_HOME: home, ZORVI_AGENT: 'cursor' });
const show = (id) => JSON.parse(execFileSync(fixture, ['show', id], { env: environment() }));
const call = (name, args = {}) => client.callTool({ name, arguments: args });
const textOf = (result) => result.content.filter((block) => block.type === 'text').map((block) => block.text).join('\n');

before(async () => {
  home = mkdtempSync(join(tmpdir(), 'zorvi-mcp-e2e-'));
  ids = JSON.parse(execFileSync(fixture, ['fill'], { env: environment() }));
  client = new Client({ name: 'zorvi-end-to-end', version: '1.0.0' });
  await client.connect(new StdioClientTransport({ command: server, env: environment(), stderr: 'ignore' }));
});

after(async () => {
  await client?.close();
  if (home) rmSync(home, { recursive: true, force: true });
});

test('the handshake names the server and offers tools', () => {
  assert.equal(client.getServerVersion().name, 'zorvi-mcp');
  assert.ok(client.getServerCapabilities().tools);
});

test('tools/list describes every tool with a schema and honest annotations', async () => {
  const { tools } = await client.listTools();
  assert.deepEqual(tools.map((tool) => tool.name), [
    'list_captures', 'get_capture', 'claim_capture', 'comment_on_capture', 'resolve_capture',
    'reopen_capture', 'update_capture', 'list_groups', 'list_people', 'capture_stats',
  ]);
  const readOnly = new Set(['list_captures', 'get_capture', 'list_groups', 'list_people', 'capture_stats']);
  for (const tool of tools) {
    assert.ok(tool.title && tool.description, tool.name);
    assert.equal(tool.inputSchema.type, 'object', tool.name);
    assert.equal(tool.annotations.readOnlyHint, readOnly.has(tool.name), tool.name);
    assert.equal(tool.annotations.openWorldHint, false, tool.name);
    assert.equal(typeof tool.annotations.destructiveHint, 'boolean', tool.name);
  }
  const get = tools.find((tool) => tool.name === 'get_capture');
  assert.deepEqual(get.inputSchema.required, ['id']);
});

test('list_captures shows the open work first and filters it', async () => {
  const open = textOf(await call('list_captures'));
  assert.ok(open.includes(ids.overlap) && open.includes(ids.wording), open);
  assert.ok(!open.includes(ids.fixed) && !open.includes(ids.deleted), open);
  assert.ok(open.indexOf(ids.overlap) < open.indexOf(ids.wording), 'high priority comes first');
  assert.match(open, /Pay button overlaps the total/);
  assert.match(open, /group Checkout · tags layout, ui · Firefox/);

  const only = async (args) => {
    const text = textOf(await call('list_captures', args));
    return Object.entries(ids).filter(([, id]) => text.includes(id)).map(([name]) => name);
  };
  assert.deepEqual(await only({ status: 'resolved' }), ['fixed']);
  assert.deepEqual(await only({ group: 'checkout' }), ['overlap']);
  assert.deepEqual(await only({ tag: 'COPY' }), ['wording']);
  assert.deepEqual(await only({ search: 'narrow' }), ['overlap']);
  assert.deepEqual(await only({ status: 'all', priority: 'low' }), ['fixed']);

  const firstPage = textOf(await call('list_captures', { limit: 1 }));
  assert.match(firstPage, /offset 1\./);
  assert.deepEqual(await only({ limit: 1, offset: 1 }), ['wording']);

  const bad = await call('list_captures', { limit: 0 });
  assert.equal(bad.isError, true);
  assert.match(textOf(bad), /"limit"/);
});

test('get_capture returns the context as text and each screenshot as a real image', async () => {
  const result = await call('get_capture', { id: ids.overlap.slice(0, 8).toUpperCase() });
  assert.ok(!result.isError, textOf(result));
  assert.equal(result.structuredContent, undefined);
  const text = textOf(result);
  for (const expected of ['On narrow windows the button covers the price.', 'Firefox (firefox.desktop)',
    'https://shop.example/checkout', 'Tags: layout, ui', 'Group: Checkout', 'High priority', 'you · created'])
    assert.ok(text.includes(expected), `missing ${expected} in\n${text}`);

  // Clients that drop images still get the files.
  const paths = text.match(/\/\S+\.png/g);
  assert.equal(paths.length, 2);
  assert.ok(paths[0].endsWith('-marked.png') && paths.every((path) => existsSync(path)), text);

  const images = result.content.filter((block) => block.type === 'image');
  assert.equal(images.length, 2);
  assert.ok(images.every((image) => image.mimeType === 'image/png'));
  const marked = decodePng(Buffer.from(images[0].data, 'base64'));
  assert.deepEqual([marked.width, marked.height], [1568, 784], 'scaled to 1568 px on the long edge');
  const [r, g, b] = marked.pixel(784, 392 + 20);
  assert.ok(b > 200 && r < 80, `the marked (blue) copy is sent, got ${[r, g, b]}`);
  const small = decodePng(Buffer.from(images[1].data, 'base64'));
  assert.deepEqual([small.width, small.height], [800, 500]);
  assert.ok(small.pixel(400, 270)[1] > 150, 'the green original');
});

test("get_capture takes a board link and sends the screenshot's recognised text; list_captures finds it by those words",
  async () => {
    const result = await call('get_capture', { id: `zorvi://capture/${ids.renewal.slice(-8)}` });
    assert.ok(!result.isError, textOf(result));
    const texts = result.content.filter((block) => block.type === 'text').map((block) => block.text);
    assert.equal(texts.length, 2, 'the recognised text comes as a block of its own');
    assert.ok(texts[0].includes(ids.renewal), texts[0]);
    assert.match(texts[1], /^Recognised text/);
    assert.match(texts[1], /billing address before the renewal date/);
    assert.ok(!texts[0].includes('billing'), 'the capture itself never mentions it');

    const found = textOf(await call('list_captures', { search: 'billing ADDR' }));
    assert.ok(found.includes(ids.renewal) && !found.includes(ids.overlap), found);
  });

test('search text is matched literally, "%" and "_" included', async () => {
  const only = async (search) => {
    const text = textOf(await call('list_captures', { status: 'all', search }));
    return Object.entries(ids).filter(([, id]) => text.includes(id)).map(([name]) => name);
  };
  assert.deepEqual(await only('100% zoom'), ['renewal']);
  assert.deepEqual(await only('_'), []);
  assert.deepEqual(await only('%'), ['renewal']);
  assert.deepEqual(await only('0%z'), []);
});

test('list_people gives the ids assignee filters take', async () => {
  const text = textOf(await call('list_people'));
  assert.match(text, /Ada Lovelace · id user-ada · ada@example\.com/);
});

test('unknown, deleted and unsafe ids come back as tool errors', async () => {
  for (const [name, args, pattern] of [
    ['get_capture', { id: ids.deleted }, /No capture matches/],
    ['claim_capture', { id: 'ffffffff-0000' }, /No capture matches/],
    ['get_capture', { id: ids.deleted.slice(-8) }, /No capture matches/],
    ['comment_on_capture', { id: '../../etc/passwd', body: 'hi' }, /not a capture id/],
    ['get_capture', {}, /Missing argument "id"/],
  ]) {
    const result = await call(name, args);
    assert.equal(result.isError, true, name);
    assert.match(textOf(result), pattern);
  }
});

test("an agent's comment is stored as the agent's", async () => {
  // Addressed by the short id the board shows, as a person would quote it.
  const result = await call('comment_on_capture', { id: ids.overlap.slice(-8), body: 'The flex container lacks a min-width.' });
  assert.ok(!result.isError, textOf(result));
  const stored = show(ids.overlap).comments;
  assert.equal(stored.length, 1);
  assert.equal(stored[0].author, 'cursor');
  assert.equal(stored[0].isAgent, true);
  assert.equal(stored[0].body, 'The flex container lacks a min-width.');
  assert.match(textOf(await call('get_capture', { id: ids.overlap })), /cursor \(agent\): The flex container/);
});

test('claim, resolve and reopen move a capture across the board as the agent', async () => {
  await call('claim_capture', { id: ids.wording });
  let stored = show(ids.wording);
  assert.equal(stored.capture.status, 'in_progress');
  assert.equal(stored.capture.claimedBy, 'cursor');

  const resolved = await call('resolve_capture', { id: ids.wording, reference: 'PR #42', comment: 'Deduplicated.' });
  assert.match(textOf(resolved), /Resolved .* fixed in PR #42/);
  stored = show(ids.wording);
  assert.equal(stored.capture.status, 'resolved');
  assert.equal(stored.capture.resolutionRef, 'PR #42');
  assert.equal(stored.comments.at(-1).body, 'Deduplicated.');

  await call('reopen_capture', { id: ids.wording, comment: 'Still shows twice on mobile.' });
  stored = show(ids.wording);
  assert.equal(stored.capture.status, 'open');
  const kinds = stored.activity.filter((event) => event.actor === 'cursor').map((event) => event.kind);
  assert.deepEqual(kinds, ['claimed', 'resolved', 'status_changed']);

  const again = await call('reopen_capture', { id: ids.wording });
  assert.ok(!again.isError);
  assert.match(textOf(again), /already on the board/);
});

test('update_capture edits note, priority, group and tags, and a bad group changes nothing', async () => {
  const refused = await call('update_capture', { id: ids.wording, priority: 'low', group: 'Nowhere' });
  assert.equal(refused.isError, true);
  assert.match(textOf(refused), /no group named "Nowhere".*"Checkout", "Onboarding"/);
  assert.equal(show(ids.wording).capture.priority, 'normal');

  const result = await call('update_capture', {
    id: ids.wording, note: 'Welcome text repeats "Sign in"', priority: 'high', group: 'Checkout', tags: ['Copy', 'urgent'],
  });
  assert.ok(!result.isError, textOf(result));
  const stored = show(ids.wording);
  assert.equal(stored.capture.note, 'Welcome text repeats "Sign in"');
  assert.equal(stored.capture.priority, 'high');
  assert.equal(stored.capture.groupID, ids.checkoutGroup);
  assert.deepEqual(stored.tags, ['copy', 'urgent']);

  await call('update_capture', { id: ids.wording, group: '' });
  assert.equal(show(ids.wording).capture.groupID, undefined);
});

test('list_groups and capture_stats summarise the board', async () => {
  const groups = textOf(await call('list_groups'));
  assert.match(groups, /- Checkout: 1 open/);
  assert.match(groups, /- Onboarding: 0 open/);
  const stats = textOf(await call('capture_stats'));
  assert.match(stats, /- Open: 3/);
  assert.match(stats, /- Resolved: 1/);
  assert.match(stats, /- High: 2/);
});

test('writes post the store change signal on the session bus', { timeout: 30_000 }, async () => {
  const monitor = spawn('dbus-monitor', ['--session', "type='signal',interface='dev.zorvi.store',member='didChange'"]);
  let output = '';
  let heard = () => {};
  monitor.stdout.on('data', (chunk) => { output += chunk; heard(); });
  // Resolves once the monitor's output says `what`.
  const printed = (what) => new Promise((resolve) => {
    heard = () => { if (output.includes(what)) resolve(); };
    heard();
  });
  try {
    // Becoming a monitor drops the monitor's bus name: from then on it sees every signal.
    await printed('member=NameLost');
    await call('comment_on_capture', { id: ids.fixed, body: 'Signal check.' });
    await printed('member=didChange');
    assert.match(output, /path=\/dev\/zorvi\/store; interface=dev\.zorvi\.store; member=didChange/);
  } finally {
    monitor.kill();
  }
});

test('malformed lines get JSON-RPC errors and the session goes on', async () => {
  const child = spawn(server, [], { env: environment(), stdio: ['pipe', 'pipe', 'ignore'] });
  const lines = createInterface({ input: child.stdout })[Symbol.asyncIterator]();
  const exchange = async (line) => {
    child.stdin.write(line + '\n');
    return JSON.parse((await lines.next()).value);
  };
  const initialize = (id, version) => JSON.stringify({
    jsonrpc: '2.0', id, method: 'initialize',
    params: { protocolVersion: version, capabilities: {}, clientInfo: { name: 'raw', version: '0' } },
  });

  const error = async (line) => (await exchange(line)).error.code;

  assert.equal(await error('{"jsonrpc":"2.0","id":1,"method":'), -32700);
  assert.equal((await exchange(initialize(2, '2024-11-05'))).result.protocolVersion, '2024-11-05');
  assert.equal((await exchange(initialize(3, '1999-01-01'))).result.protocolVersion, '2025-11-25');
  assert.equal(await error('[{"jsonrpc":"2.0","id":4,"method":"ping"}]'), -32600);
  assert.equal(await error('{"jsonrpc":"1.0","id":5,"method":"ping"}'), -32600);
  assert.equal(await error('{"jsonrpc":"2.0","id":6,"method":"resources/list"}'), -32601);
  assert.equal(await error('{"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"drop_tables"}}'), -32602);
  assert.equal(await error('{"jsonrpc":"2.0","id":8,"method":"tools/call","params":"list_captures"}'), -32602);
  // A notification gets no reply, so the next line answered is the ping.
  child.stdin.write('{"jsonrpc":"2.0","method":"notifications/initialized"}\n');
  assert.deepEqual(await exchange('{"jsonrpc":"2.0","id":"last","method":"ping"}'), { jsonrpc: '2.0', id: 'last', result: {} });

  const exited = new Promise((resolve) => child.on('exit', resolve));
  child.stdin.end();
  assert.equal(await exited, 0, 'the server exits cleanly at end of input');
});
