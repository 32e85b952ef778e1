// Serves an ASP.NET site folder on 127.0.0.1 through the ASP.NET runtime hosted in this
// process: a small HTTP/1.1 front end (one connection per request) hands each request to an
// application domain made by ApplicationHost.CreateApplicationHost and sends back what the
// page wrote. Meant for looking at a generated site and for tests, not for production.
//
//   mono PreviewHost.exe SITE_DIR PORT
//
// The assembly must sit in SITE_DIR/bin so that the application domain can load the
// worker type; scripts/preview.sh puts it there.
using System;
using System.Collections.Generic;
using System.IO;
using System.Net;
using System.Net.Sockets;
using System.Text;
using System.Threading;
using System.Web;
using System.Web.Hosting;

namespace Brindlewood.Preview
{
    // A request as it crosses into the application domain.
    [Serializable]
    public class PreviewRequest
    {
        public string Method = "GET";
        public string Path = "/";
        public string Query = "";
        public string Protocol = "HTTP/1.1";
        public string RemoteAddress = "127.0.0.1";
        public int LocalPort;
        public List<KeyValuePair<string, string>> Headers = new List<KeyValuePair<string, string>>();
        public byte[] Body = new byte[0];

        public string Header(string name)
        {
            foreach (var h in Headers)
                if (string.Equals(h.Key, name, StringComparison.OrdinalIgnoreCase))
                    return h.Value;
            return null;
        }
    }

    // What the page produced.
    [Serializable]
    public class PreviewResponse
    {
        public int Status = 200;
        public string StatusText = "OK";
        public List<KeyValuePair<string, string>> Headers = new List<KeyValuePair<string, string>>();
        public byte[] Body = new byte[0];
    }

    // Lives in the application domain; one instance serves every request.
    public class Worker : MarshalByRefObject
    {
        public override object InitializeLifetimeService() { return null; }

        public PreviewResponse Process(PreviewRequest request)
        {
            var wr = new WorkerRequest(request);
            HttpRuntime.ProcessRequest(wr);
            wr.Done.WaitOne(TimeSpan.FromSeconds(120));
            return wr.Response;
        }
    }

    // Feeds one request to the runtime and collects the response.
    public class WorkerRequest : SimpleWorkerRequest
    {
        readonly PreviewRequest req;
        readonly MemoryStream body = new MemoryStream();
        public readonly PreviewResponse Response = new PreviewResponse();
        public readonly ManualResetEvent Done = new ManualResetEvent(false);

        public WorkerRequest(PreviewRequest r)
            : base(RelativePage(r.Path), r.Query, TextWriter.Null)
        {
            req = r;
        }

        static string RelativePage(string path)
        {
            return path.TrimStart('/');
        }

        public override string GetHttpVerbName() { return req.Method; }
        public override string GetHttpVersion() { return req.Protocol; }
        public override string GetUriPath() { return req.Path; }
        public override string GetQueryString() { return req.Query; }
        public override byte[] GetQueryStringRawBytes() { return Encoding.ASCII.GetBytes(req.Query); }
        public override string GetRawUrl()
        {
            return req.Query.Length > 0 ? req.Path + "?" + req.Query : req.Path;
        }
        public override string GetRemoteAddress() { return req.RemoteAddress; }
        public override string GetLocalAddress() { return "127.0.0.1"; }
        public override int GetLocalPort() { return req.LocalPort; }
        public override string GetServerName() { return "127.0.0.1"; }

        public override string GetKnownRequestHeader(int index)
        {
            return req.Header(GetKnownRequestHeaderName(index));
        }

        public override string GetUnknownRequestHeader(string name) { return req.Header(name); }

        public override string[][] GetUnknownRequestHeaders()
        {
            var list = new List<string[]>();
            foreach (var h in req.Headers)
                if (GetKnownRequestHeaderIndex(h.Key) < 0)
                    list.Add(new[] { h.Key, h.Value });
            return list.ToArray();
        }

        public override byte[] GetPreloadedEntityBody() { return req.Body; }
        public override bool IsEntireEntityBodyIsPreloaded() { return true; }
        public override int GetTotalEntityBodyLength() { return req.Body.Length; }
        public override int ReadEntityBody(byte[] buffer, int size) { return 0; }

        public override void SendStatus(int statusCode, string statusDescription)
        {
            Response.Status = statusCode;
            Response.StatusText = statusDescription;
        }

        public override void SendKnownResponseHeader(int index, string value)
        {
            Response.Headers.Add(new KeyValuePair<string, string>(GetKnownResponseHeaderName(index), value));
        }

        public override void SendUnknownResponseHeader(string name, string value)
        {
            Response.Headers.Add(new KeyValuePair<string, string>(name, value));
        }

        public override void SendResponseFromMemory(byte[] data, int length)
        {
            body.Write(data, 0, length);
        }

        public override void SendResponseFromFile(string filename, long offset, long length)
        {
            using (var f = File.OpenRead(filename))
                SendResponseFromStream(f, offset, length);
        }

        public override void SendResponseFromFile(IntPtr handle, long offset, long length)
        {
            throw new NotSupportedException("file handles are not served");
        }

        void SendResponseFromStream(Stream f, long offset, long length)
        {
            if (length < 0) length = f.Length - offset;
            f.Seek(offset, SeekOrigin.Begin);
            var buf = new byte[64 * 1024];
            while (length > 0)
            {
                int n = f.Read(buf, 0, (int)Math.Min(buf.Length, length));
                if (n <= 0) break;
                body.Write(buf, 0, n);
                length -= n;
            }
        }

        public override void FlushResponse(bool finalFlush) { }

        public override void EndOfRequest()
        {
            Response.Body = body.ToArray();
            Done.Set();
        }
    }

    public static class Program
    {
        const int MaxHeaderBytes = 64 * 1024;
        const int MaxBodyBytes = 16 * 1024 * 1024;

        public static int Main(string[] args)
        {
            if (args.Length < 2)
            {
                Console.Error.WriteLine("usage: PreviewHost.exe SITE_DIR PORT");
                return 2;
            }
            string dir = Path.GetFullPath(args[0]);
            int port = int.Parse(args[1]);
            var worker = (Worker)ApplicationHost.CreateApplicationHost(typeof(Worker), "/", dir);

            var listener = new TcpListener(IPAddress.Loopback, port);
            listener.Start();
            Console.WriteLine("Serving " + dir + " at http://127.0.0.1:" + port + "/");
            Console.Out.Flush();
            while (true)
            {
                TcpClient client = listener.AcceptTcpClient();
                var t = new Thread(() => Serve(worker, client, port));
                t.IsBackground = true;
                t.Start();
            }
        }

        static void Serve(Worker worker, TcpClient client, int port)
        {
            using (client)
            {
                try
                {
                    client.ReceiveTimeout = 30000;
                    client.SendTimeout = 30000;
                    var stream = client.GetStream();
                    PreviewRequest req = ReadRequest(stream);
                    if (req == null) return;
                    req.LocalPort = port;
                    PreviewResponse resp;
                    try
                    {
                        resp = worker.Process(req);
                    }
                    catch (Exception e)
                    {
                        resp = new PreviewResponse { Status = 500, StatusText = "Internal Server Error",
                                                     Body = Encoding.UTF8.GetBytes(e.ToString()) };
                        resp.Headers.Add(new KeyValuePair<string, string>("Content-Type", "text/plain; charset=utf-8"));
                    }
                    WriteResponse(stream, req, resp);
                }
                catch (IOException) { }
                catch (SocketException) { }
            }
        }

        // Reads the request line, the headers and a Content-Length body; null when the
        // peer sent nothing usable.
        static PreviewRequest ReadRequest(NetworkStream stream)
        {
            var head = new MemoryStream();
            uint last4 = 0;
            while (last4 != 0x0D0A0D0A)
            {
                int b = stream.ReadByte();
                if (b < 0) return null;
                head.WriteByte((byte)b);
                if (head.Length > MaxHeaderBytes) return null;
                last4 = (last4 << 8) | (uint)b;
            }
            string[] lines = Encoding.ASCII.GetString(head.ToArray()).Split(new[] { "\r\n" }, StringSplitOptions.None);
            string[] first = lines[0].Split(' ');
            if (first.Length != 3) return null;
            var req = new PreviewRequest { Method = first[0].ToUpperInvariant(), Protocol = first[2] };
            string target = first[1];
            int q = target.IndexOf('?');
            req.Path = q >= 0 ? target.Substring(0, q) : target;
            req.Query = q >= 0 ? target.Substring(q + 1) : "";
            req.Path = Uri.UnescapeDataString(req.Path);
            if (!req.Path.StartsWith("/") || req.Path.Contains("/../") || req.Path.EndsWith("/.."))
                return null;
            for (int i = 1; i < lines.Length; i++)
            {
                int c = lines[i].IndexOf(':');
                if (c <= 0) continue;
                req.Headers.Add(new KeyValuePair<string, string>(lines[i].Substring(0, c).Trim(),
                                                                 lines[i].Substring(c + 1).Trim()));
            }
            string len = req.Header("Content-Length");
            if (len != null)
            {
                int n;
                if (!int.TryParse(len, out n) || n < 0 || n > MaxBodyBytes) return null;
                req.Body = new byte[n];
                int got = 0;
                while (got < n)
                {
                    int r = stream.Read(req.Body, got, n - got);
                    if (r <= 0) return null;
                    got += r;
                }
            }
            return req;
        }

        static void WriteResponse(NetworkStream stream, PreviewRequest req, PreviewResponse resp)
        {
            var sb = new StringBuilder();
            sb.Append("HTTP/1.1 ").Append(resp.Status).Append(' ').Append(resp.StatusText).Append("\r\n");
            foreach (var h in resp.Headers)
            {
                // The front end frames the body itself and closes the connection after it.
                if (h.Key.Equals("Content-Length", StringComparison.OrdinalIgnoreCase) ||
                    h.Key.Equals("Transfer-Encoding", StringComparison.OrdinalIgnoreCase) ||
                    h.Key.Equals("Connection", StringComparison.OrdinalIgnoreCase))
                    continue;
                sb.Append(h.Key).Append(": ").Append(h.Value).Append("\r\n");
            }
            bool noBody = req.Method == "HEAD" || resp.Status == 204 || resp.Status == 304;
            sb.Append("Content-Length: ").Append(noBody ? 0 : resp.Body.Length).Append("\r\n");
            sb.Append("Connection: close\r\n\r\n");
            byte[] head = Encoding.ASCII.GetBytes(sb.ToString());
            stream.Write(head, 0, head.Length);
            if (!noBody) stream.Write(resp.Body, 0, resp.Body.Length);
            stream.Flush();
        }
    }
}
