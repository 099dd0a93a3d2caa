// Signs in on zorvi-server's verification page in Debian's headless chromium
// and approves (and denies) the code a device asked for, then checks what the
// device's token poll receives.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

const program = process.env.ZORVI_SERVER;
assert.ok(program, 'ZORVI_SERVER must name the built zorvi-server');
const password = 'correct horse battery';

let data;
let server;
let base;
let browser;

const admin = (...words) => execFileSync(program, ['--data', data, ...words], { input: `${password}\n` });

before(async () => {
  data = mkdtempSync(join(tmpdir(), 'zorvi-server-page-'));
  admin('user', 'add', 'ann@acme.test', '--name', 'Ann <Admin>', '--password-stdin');
  admin('workspace', 'add', 'acme', '--name', 'Acme');
  admin('member', 'add', 'acme', 'ann@acme.test', '--role', 'admin');
  server = spawn(program, ['--data', data, '--listen', '127.0.0.1:0'], { stdio: ['ignore', 'pipe', 'inherit'] });
  base = await new Promise((resolve, reject) => {
    const lines = createInterface({ input: server.stdout });
    lines.on('line', (line) => {
      const match = line.match(/listening on (http:\/\/\S+)/);
      if (match) resolve(match[1]);
    });
    server.on('exit', (code) => reject(new Error(`zorvi-server exited with ${code}`)));
  });
  browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  server?.kill('SIGTERM');
  if (data) rmSync(data, { recursive: true, force: true });
});

const post = async (path, body) => {
  const reply = await fetch(base + path, {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
  });
  return { status: reply.status, json: await reply.json() };
};

const requestCode = async () => (await post('/api/auth/device/code', {
  client_id: 'zorvi-desktop', scope: 'openid profile email',
})).json;

const poll = (code) => post('/api/auth/device/token', {
  grant_type: 'urn:ietf:params:oauth:grant-type:device_code', device_code: code.device_code, client_id: 'zorvi-desktop',
});

const signIn = async (page, code, pass) => {
  await page.goto(code.verification_uri_complete);
  await page.type('#email', 'ann@acme.test');
  await page.type('#password', pass);
  await Promise.all([page.waitForNavigation(), page.click('#sign-in')]);
};

test('a person signs in and approves the code; the device then receives its token', async () => {
  const code = await requestCode();
  const page = await browser.newPage();

  await signIn(page, code, 'wrong password');
  assert.equal(await page.$eval('#error', (e) => e.textContent), 'Wrong email or password.');

  await page.type('#email', 'ann@acme.test');
  await page.type('#password', password);
  await Promise.all([page.waitForNavigation(), page.click('#sign-in')]);
  assert.equal(await page.$eval('h1', (e) => e.textContent), 'Approve this computer?');
  assert.equal(await page.$eval('#code', (e) => e.textContent), code.user_code);
  // The name is shown as text, never as markup.
  assert.equal(await page.$eval('#account', (e) => e.textContent), 'Ann <Admin>');
  assert.equal(await page.$$eval('script', (s) => s.length), 0);

  await Promise.all([page.waitForNavigation(), page.click('#approve')]);
  assert.equal(await page.$eval('#outcome', (e) => e.textContent), 'Computer approved');

  const granted = await poll(code);
  assert.equal(granted.status, 200);
  const me = await fetch(`${base}/v1/me`, { headers: { Authorization: `Bearer ${granted.json.access_token}` } });
  assert.equal((await me.json()).user.email, 'ann@acme.test');
  await page.close();
});

test('the same browser session denies a second code, typed by hand', async () => {
  const code = await requestCode();
  assert.equal((await poll(code)).json.error, 'authorization_pending');
  const page = await browser.newPage();
  await page.goto(`${base}/device`);
  // Still signed in from the first test: the page asks for the code.
  await page.type('#user-code', code.user_code.toLowerCase().replace('-', ' '));
  await Promise.all([page.waitForNavigation(), page.click('#continue')]);
  assert.equal(await page.$eval('#code', (e) => e.textContent), code.user_code);
  await Promise.all([page.waitForNavigation(), page.click('#deny')]);
  assert.equal(await page.$eval('#outcome', (e) => e.textContent), 'Sign-in denied');
  assert.equal((await poll(code)).json.error, 'access_denied');
  await page.close();
});
